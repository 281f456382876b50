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
#include "core/SongSettings.h"
#include "core/SongText.h"

// The one song being edited: its value, its settings (tempo, loop and time signature), its
// file name, whether it holds unsaved changes, and the history that undo and redo walk.
// The window's controls only show the settings and pass the user's changes in. The unsaved
// mark is no flag that anyone sets: the song is modified exactly when its text differs from
// the text last saved, opened or exported.
class TDocument {
 public:
  explicit TDocument(std::size_t maxSteps = TSongHistory::DefaultMaxSteps);

  const TSong& Song() const { return song_; }
  const TSongSettingsValues& Settings() const { return settings_.Values; }
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
  void SetLoop(bool on);
  void SetTime44(bool on);
  // Clamped to the tempo range. A run of tempo changes (a drag of the slider, keys in a row)
  // becomes one step at Commit(), or at the next step of any kind.
  void SetTempo(int32_t tempo);
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
  // Reads a text into the song and its settings.
  TReadResult Apply(std::string_view bytes, const std::string& origin);
  void Reset();
  void Changed();

  TSong song_;
  TSongSettings settings_;
  std::string name_;
  std::string clean_;  // the text last saved, opened or exported
  TSongHistory history_;
  uint64_t revision_ = 0;
  std::vector<std::function<void()>> listeners_;
};
