#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/NoteEditing.h"
#include "core/SongHistory.h"
#include "core/SongModel.h"
#include "core/SongText.h"

// The one song being edited: its value, its file name, whether it holds unsaved changes,
// and the history that undo and redo walk. Tempo, loop and time signature stay where the
// settings store keeps them (the window's controls); the document reads and applies them
// there. The unsaved mark is no flag that anyone sets: the song is modified exactly when
// its text differs from the text last saved, opened or exported.
class TDocument {
 public:
  // The store must hold the settings the song starts with.
  explicit TDocument(TSongSettingsStore& settings,
                     std::size_t maxSteps = TSongHistory::DefaultMaxSteps);

  const TSong& Song() const { return song_; }
  // The five lines a song file would hold now.
  std::string Text() const;
  // Empty while the song has no file.
  const std::string& FileName() const { return name_; }
  bool Untitled() const { return name_.empty(); }
  bool Modified() const { return Text() != clean_; }

  // Grows with every change of the text, the name or the unsaved mark; each change also
  // calls every listener, after the document is whole again.
  uint64_t Revision() const { return revision_; }
  void Subscribe(std::function<void()> listener);

  // Changes made by the user, one step each.
  TCellEdit EditCell(int32_t tool, TCell cell);
  // A cell edit that stays open until the next Commit() or step of any kind, so that a
  // drag's edits make one step.
  TCellEdit PaintCell(int32_t tool, TCell cell);
  void Change(const std::function<void(TSong&)>& change);
  // A setting changed in the store. A run of such changes (a tempo drag) becomes one step
  // at Commit(), or at the next step of any kind.
  void SettingsChanged();
  void Commit();

  bool CanUndo() const;
  bool CanRedo() const;
  void Undo();
  void Redo();

  // An empty grid that plays every column at the default tempo, untitled and saved; loop
  // and time signature stay. A new history begins.
  void New();
  // Bytes of a song file or of the clipboard. Either way a conversion error (EConvertError,
  // thrown on, naming `origin`) leaves what was read before it, as one step. Bad score data
  // gives a new song with the loop and time signature that were read.
  // Open: on success the song is the file's, saved, under `name`, with a new history.
  TReadResult Open(std::string_view bytes, const std::string& name);
  // Import: one step that also renames the song (untitled when `name` is empty, and already
  // when the text fails to convert); on success the song counts as saved.
  TReadResult Import(std::string_view bytes, const std::string& origin, const std::string& name);

  // A song text kept by an earlier run that ended without saving it: under the file name it
  // had (`name`, empty for untitled), unsaved as a whole, with a new history. A text that is
  // no song (bad score data, EConvertError thrown on) leaves the new, empty song that New()
  // gives.
  TReadResult Restore(std::string_view bytes, const std::string& origin,
                      const std::string& name = {});

  // Where Save will write; the song's changes stay unsaved until Saved().
  void Rename(std::string name);
  // The current text was written to the file or the clipboard.
  void Saved();

 private:
  // Reads a text into the song and the store without taking the store's changes for the
  // user's.
  TReadResult Apply(std::string_view bytes, const std::string& origin);
  void Reset();
  void Changed();

  TSongSettingsStore& settings_;
  TSong song_;
  std::string name_;
  std::string clean_;  // the text last saved, opened or exported
  TSongHistory history_;
  bool applying_ = false;
  uint64_t revision_ = 0;
  std::vector<std::function<void()>> listeners_;
};
