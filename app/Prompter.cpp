#include "app/Prompter.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

QString ApplicationTitle() {
  return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

void TPrompter::Error(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

void TPrompter::Message(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  box.exec();
}

std::optional<bool> TPrompter::Confirm(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), text, QMessageBox::NoButton,
                  parent);
  QAbstractButton* yes = box.addButton(QMessageBox::Yes);
  QAbstractButton* no = box.addButton(QMessageBox::No);
  yes->setText(QStringLiteral("はい(&Y)"));
  no->setText(QStringLiteral("いいえ(&N)"));
  box.setDefaultButton(QMessageBox::Yes);
  // Escape and the close box answer neither: they click a button never shown.
  QAbstractButton* aside = box.addButton(QMessageBox::Cancel);
  aside->hide();
  box.setEscapeButton(aside);
  box.exec();
  if (box.clickedButton() == yes) return true;
  if (box.clickedButton() == no) return false;
  return std::nullopt;
}

TRecoveryAnswer TPrompter::AskRecovery(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("recovery"), text, QMessageBox::NoButton,
                  parent);
  QAbstractButton* yes = box.addButton(QMessageBox::Yes);
  QAbstractButton* no = box.addButton(QMessageBox::No);
  yes->setText(QStringLiteral("はい(&Y)"));
  no->setText(QStringLiteral("いいえ(&N)"));
  box.setDefaultButton(QMessageBox::Yes);
  // Escape and the close box must not throw the song away: they click a button never shown.
  QAbstractButton* later = box.addButton(QMessageBox::Cancel);
  later->hide();
  box.setEscapeButton(later);
  box.exec();
  if (box.clickedButton() == yes) return TRecoveryAnswer::Restore;
  if (box.clickedButton() == no) return TRecoveryAnswer::Discard;
  return TRecoveryAnswer::Later;
}

std::optional<QString> TPrompter::ChooseFile(QFileDialog* dialog, const QString& proposed) {
  if (!proposed.isEmpty()) dialog->selectFile(proposed);
  if (dialog->exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog->selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.first();
}
