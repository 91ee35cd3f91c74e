#include "frontend/MessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

namespace lumox {
namespace {

struct TKindLook {
  QMessageBox::Icon Icon;
  const char* Title;
};

TKindLook LookOf(TMsgKind kind) {
  switch (kind) {
    case TMsgKind::Warning: return {QMessageBox::Warning, "Warning"};
    case TMsgKind::Error: return {QMessageBox::Critical, "Error"};
    case TMsgKind::Information: return {QMessageBox::Information, "Information"};
    case TMsgKind::Confirmation: return {QMessageBox::Question, "Confirm"};
  }
  return {QMessageBox::NoIcon, ""};
}

QMessageBox::StandardButtons ButtonsOf(TMsgButtons buttons) {
  switch (buttons) {
    case TMsgButtons::Ok: return QMessageBox::Ok;
    case TMsgButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case TMsgButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
  }
  return QMessageBox::Ok;
}

TMsgAnswer AnswerOf(int button) {
  switch (button) {
    case QMessageBox::Yes: return TMsgAnswer::Yes;
    case QMessageBox::No: return TMsgAnswer::No;
    case QMessageBox::Ok: return TMsgAnswer::Ok;
    default: return TMsgAnswer::Cancel;  // closed with Escape or the title bar
  }
}

}  // namespace

TMsgAnswer TMessageBoxes::Show(TMsgKind kind, const QString& text, TMsgButtons buttons) {
  const TKindLook look = LookOf(kind);
  QMessageBox box(look.Icon, QString::fromLatin1(look.Title), text, ButtonsOf(buttons), QApplication::activeWindow());
  return AnswerOf(box.exec());
}

}  // namespace lumox
