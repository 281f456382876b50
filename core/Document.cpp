#include "core/Document.h"

#include <stdexcept>

#include "core/ConvertError.h"

TDocument::TDocument(std::size_t maxSteps) : history_(maxSteps) { Reset(); }

std::string TDocument::Text() const { return BuildSongText(song_, settings_.Values); }

void TDocument::Subscribe(std::function<void()> listener) {
  listeners_.push_back(std::move(listener));
}

void TDocument::Changed() {
  ++revision_;
  for (std::size_t k = 0; k < listeners_.size(); ++k) listeners_[k]();
}

void TDocument::Reset() {
  clean_ = Text();
  history_.Reset(clean_);
}

TCellEdit TDocument::EditCell(int32_t tool, TCell cell) {
  Commit();
  const TCellEdit edit = ::EditCell(song_, tool, cell);
  if (edit.Modified) Commit();
  return edit;
}

TCellEdit TDocument::PaintCell(int32_t tool, TCell cell) {
  const TCellEdit edit = ::EditCell(song_, tool, cell);
  if (edit.Modified) Changed();
  return edit;
}

void TDocument::Change(const std::function<void(TSong&)>& change) {
  Commit();
  change(song_);
  Commit();
}

void TDocument::SetLoop(bool on) {
  Commit();
  settings_.ApplyLoop(on);
  Commit();
}

void TDocument::SetTime44(bool on) {
  Commit();
  settings_.ApplyTime44(on);
  Commit();
}

void TDocument::SetTempo(int32_t tempo) {
  const int32_t before = settings_.Values.Tempo;
  settings_.ApplyTempo(tempo);
  if (settings_.Values.Tempo != before) Changed();
}

void TDocument::Commit() {
  std::string text = Text();
  if (text == history_.Current()) return;
  history_.Record(std::move(text));
  Changed();
}

bool TDocument::CanUndo() const { return history_.CanUndo() || Text() != history_.Current(); }

bool TDocument::CanRedo() const { return history_.CanRedo() && Text() == history_.Current(); }

void TDocument::Undo() {
  Commit();
  if (!history_.CanUndo()) return;
  const TSongHistory::TMove move = history_.Undo();
  if (Apply(move.Text, "the history") != TReadResult::Done)
    throw std::logic_error("the history holds a text that does not read back");
  if (move.Name) name_ = *move.Name;
  Changed();
}

void TDocument::Redo() {
  Commit();
  if (!CanRedo()) return;
  const TSongHistory::TMove move = history_.Redo();
  if (Apply(move.Text, "the history") != TReadResult::Done)
    throw std::logic_error("the history holds a text that does not read back");
  if (move.Name) name_ = *move.Name;
  Changed();
}

void TDocument::New() {
  song_.Clear();
  settings_.ApplyTempo(DefaultTempo);
  name_.clear();
  Reset();
  Changed();
}

TReadResult TDocument::Apply(std::string_view bytes, const std::string& origin) {
  try {
    return ReadSongText(SplitSongLines(bytes), song_, settings_);
  } catch (EConvertError& e) {
    e.SetOrigin(origin);
    throw;
  }
}

TReadResult TDocument::Open(std::string_view bytes, const std::string& name) {
  Commit();
  TReadResult result{};
  try {
    result = Apply(bytes, name);
  } catch (const EConvertError&) {
    Commit();  // the settings read before the fault
    throw;
  }
  if (result == TReadResult::BadScoreData) {
    New();
    return result;
  }
  name_ = name;
  Reset();
  Changed();
  return result;
}

TReadResult TDocument::Import(std::string_view bytes, const std::string& origin,
                              const std::string& name) {
  Commit();
  const std::string before = name_;
  const auto step = [&] {
    if (name_ == before)
      Commit();
    else
      history_.Record(Text(), TRename{before, name_});
  };
  name_.clear();
  TReadResult result{};
  try {
    result = Apply(bytes, origin);
  } catch (const EConvertError&) {
    step();
    Changed();
    throw;
  }
  if (result == TReadResult::BadScoreData) {
    New();
    return result;
  }
  name_ = name;
  step();
  clean_ = Text();
  Changed();
  return result;
}

TReadResult TDocument::Restore(std::string_view bytes, const std::string& origin,
                               const std::string& name) {
  New();
  TReadResult result{};
  try {
    result = Apply(bytes, origin);
  } catch (const EConvertError&) {
    New();
    throw;
  }
  if (result == TReadResult::BadScoreData) {
    New();
    return result;
  }
  name_ = name;
  history_.Reset(Text());
  clean_.clear();  // no file holds any of it
  Changed();
  return result;
}

void TDocument::Rename(std::string name) {
  name_ = std::move(name);
  Changed();
}

void TDocument::Saved() {
  clean_ = Text();
  Changed();
}
