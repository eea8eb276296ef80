#pragma once

#include <QString>
#include <memory>

class QWidget;

// Message box styles and answers with their classic values.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_ICONHAND = 0x10;
inline constexpr unsigned MB_ICONERROR = MB_ICONHAND;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x30;
inline constexpr unsigned MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr unsigned MB_ICONASTERISK = 0x40;
inline constexpr unsigned MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr unsigned MB_TYPEMASK = 0xF;
inline constexpr unsigned MB_ICONMASK = 0xF0;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Modal message boxes and the warning beep.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    // Shows the box modally over owner (may be null) and answers the button pressed.
    virtual int Show(QWidget* owner, const QString& text, const QString& caption,
                     unsigned style) = 0;
    virtual void Beep() = 0;
};

std::unique_ptr<MessageBoxes> MakeQtMessageBoxes();
