#include "core/SongHistory.h"

#include <stdexcept>

TSongHistory::TSongHistory(std::size_t maxSteps) : maxSteps_(maxSteps) {
  if (maxSteps_ == 0) throw std::invalid_argument("a history needs room for one step");
  states_.push_back({});
}

void TSongHistory::Reset(std::string text) {
  states_.clear();
  states_.push_back({std::move(text), std::nullopt});
  index_ = 0;
}

void TSongHistory::Record(std::string text, std::optional<TRename> rename) {
  states_.erase(states_.begin() + static_cast<std::ptrdiff_t>(index_) + 1, states_.end());
  states_.push_back({std::move(text), std::move(rename)});
  ++index_;
  if (states_.size() > maxSteps_ + 1) {
    states_.pop_front();
    --index_;
  }
}

TSongHistory::TMove TSongHistory::Undo() {
  if (!CanUndo()) throw std::logic_error("nothing to undo");
  const std::optional<TRename>& undone = states_[index_].ReachedBy;
  std::optional<std::string> name;
  if (undone) name = undone->Before;
  --index_;
  return {states_[index_].Text, std::move(name)};
}

TSongHistory::TMove TSongHistory::Redo() {
  if (!CanRedo()) throw std::logic_error("nothing to redo");
  ++index_;
  const std::optional<TRename>& redone = states_[index_].ReachedBy;
  return {states_[index_].Text, redone ? std::optional<std::string>(redone->After) : std::nullopt};
}
