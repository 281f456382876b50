#pragma once

#include <QString>

class QFileDialog;
class QWidget;

// The main window's three file dialogs (OpenDialog1, SaveDialog1, ExportDialog1), each made
// with its stored properties the first time it is asked for. A file dialog lists its folder
// and reads its files' types as soon as it exists, so none is made while the window is
// built: from a large folder that alone held the first paint back by half a second.
class TFileDialogs {
 public:
  explicit TFileDialogs(QWidget& owner) : owner_(owner) {}

  // The folder every dialog opens in while the name it proposes implies none: the current
  // folder of the program's start.
  void setStartFolder(const QString& folder) { startFolder_ = folder; }

  QFileDialog* Open();
  QFileDialog* Save();
  QFileDialog* Export();

 private:
  QFileDialog* Made(const char* name);

  QWidget& owner_;
  QString startFolder_;
  QFileDialog* open_ = nullptr;  // the owner's children, made on first use
  QFileDialog* save_ = nullptr;
  QFileDialog* export_ = nullptr;
};
