#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

// A change of the song's file name that came with a step (an import or a drop), so that
// undoing the step gives the song back under the name it had.
struct TRename {
  std::string Before;
  std::string After;
};

// The song's states as texts (the five lines of a song file), oldest first, and which of
// them is shown. A step is the move from one state to the next. Recording after an undo
// drops the states that redo would have reached; past the limit the oldest step goes.
class TSongHistory {
 public:
  static constexpr std::size_t DefaultMaxSteps = 1000;

  explicit TSongHistory(std::size_t maxSteps = DefaultMaxSteps);

  // One state and no steps.
  void Reset(std::string text);
  void Record(std::string text, std::optional<TRename> rename = std::nullopt);

  const std::string& Current() const { return states_[index_].Text; }
  bool CanUndo() const { return index_ > 0; }
  bool CanRedo() const { return index_ + 1 < states_.size(); }

  // What a move leaves current: the text, and the name to take when the step renamed.
  struct TMove {
    const std::string& Text;
    std::optional<std::string> Name;
  };
  // Only when CanUndo() / CanRedo().
  TMove Undo();
  TMove Redo();

  std::size_t Steps() const { return states_.size() - 1; }

 private:
  struct TState {
    std::string Text;
    std::optional<TRename> ReachedBy;  // the rename of the step that led here
  };
  std::deque<TState> states_;
  std::size_t index_ = 0;
  std::size_t maxSteps_;
};
