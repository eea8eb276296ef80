#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

// Classic answers of the shell's opener and of a program start: above 32 (opener) or
// above 31 (start) means it worked; the small numbers say why it did not.
inline constexpr int ERROR_OUT_OF_RESOURCES = 0;
inline constexpr int SE_ERR_FNF = 2;
inline constexpr int SE_ERR_PNF = 3;
inline constexpr int SE_ERR_ACCESSDENIED = 5;
inline constexpr int SE_ERR_NOASSOC = 31;
inline constexpr int kLaunched = 33;

// Hands work to other programs of the desktop. Nothing goes through a shell: a target or
// an argument always travels as one argument, whatever characters it holds.
class Launcher {
  public:
    virtual ~Launcher() = default;
    // Opens a URL or a file with the program the desktop registers for it.
    virtual int Open(const QString& target) = 0;
    // Starts a program with its arguments and does not wait for it.
    virtual int Start(const QString& program, const QStringList& arguments) = 0;
    // The command line of the desktop's default web browser, as its desktop entry gives
    // it; nothing when no browser is registered.
    virtual std::optional<QString> BrowserCommand() = 0;
};

std::unique_ptr<Launcher> MakeDesktopLauncher();
