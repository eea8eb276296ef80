#pragma once

#include <QString>

struct Platform;

// The application object: fixes where the settings live, runs the main window modally,
// and ends the process when it ends.
class KaraokeApp {
  public:
    // The company key under which every program of the maker keeps its settings.
    static constexpr char kCompanyKey[] = "QuenmarkStudio";

    // The settings file's name: the executable's base name, stable between runs.
    static QString ApplicationNameOf(const QString& executablePath);

    int InitInstance(Platform& platform);
};
