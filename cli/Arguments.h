#pragma once
// The command line's arguments, read without touching anything: a pure function from words to options.
#include <QSize>
#include <QString>
#include <QStringList>
#include <variant>

enum class SizeMode { Scale, Size, Fit, Within };
enum class Request { Run, Help, Version };

struct Options {
    Request request = Request::Run;
    SizeMode mode = SizeMode::Scale;
    int percentX = 100;  // --scale
    int percentY = 100;  // --height-scale, else --scale
    QSize size{0, 0};    // --size
    qint64 fitBytes = 0; // --fit: with --size, the length the quality is lowered for; 0: none
    QSize within{0, 0};  // --within: the box Fit (or the size alone) stays inside; 0 × 0: none
    QString outputDir{}; // empty: beside each source
    bool smooth = false;
    bool keepDateAndCamera = false; // --keep-date-and-camera
    QStringList files{};

    bool operator==(const Options&) const = default;
};

struct UsageError {
    QString message; // one line, without the program's name
};

// Whether the words ask for the command line rather than the window: any option anywhere, `--`
// included (a word that starts with "-", other than "-" itself). `arguments` without the program's name.
bool AsksForCommandLine(const QStringList& arguments);

// `arguments` without the program's name. -h, --help and --version before any `--` win over anything else.
std::variant<Options, UsageError> ParseArguments(const QStringList& arguments);

// The usage line printed under a usage error, and the whole --help text.
QString UsageLine();
QString HelpText();
