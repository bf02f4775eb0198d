#include "cli/Arguments.h"

#include "engine/FitUnderSize.h"

#include "imaging/Picture.h"

#include <QRegularExpression>
#include <algorithm>
#include <optional>

namespace {

constexpr int MaxPercent = 300;

struct Parser {
    Options options;
    std::optional<QString> scale, heightScale, size, fit, within, outputDir;
    QString error;
};

std::optional<int> wholeNumber(const QString& text, int low, int high) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch()) return std::nullopt;
    const int value = text.toInt();
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<QSize> pixelSize(const QString& text) {
    const QStringList sides = text.split(QRegularExpression(QStringLiteral("[xX×]")));
    if (sides.size() != 2) return std::nullopt;
    const auto width = wholeNumber(sides[0], 1, MaxPictureSide);
    const auto height = wholeNumber(sides[1], 1, MaxPictureSide);
    if (!width || !height) return std::nullopt;
    return QSize(*width, *height);
}

// "600", "600K", "600k" and "600KB" are kilobytes, as in the window's box; "1.5M" megabytes, both of
// 1,024; "600000B" a whole number of bytes.
std::optional<qint64> byteCount(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^(?:([0-9]{1,7}(?:\\.[0-9]{1,3})?)(?:([km])b?)?|([0-9]{1,10})b)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) return std::nullopt;
    const bool mega = match.captured(2).compare(QLatin1String("m"), Qt::CaseInsensitive) == 0;
    const double bytes = match.hasCaptured(3) ? match.captured(3).toDouble()
                                              : match.captured(1).toDouble() * (mega ? 1048576.0 : 1024.0);
    if (bytes < 1 || bytes > double(MaxFitBytes)) return std::nullopt;
    return qint64(bytes);
}

// The value slot for an option that takes one, or null for a name not known.
std::optional<QString>* valueSlot(Parser& p, const QString& name) {
    if (name == QLatin1String("--scale")) return &p.scale;
    if (name == QLatin1String("--height-scale")) return &p.heightScale;
    if (name == QLatin1String("--size")) return &p.size;
    if (name == QLatin1String("--fit")) return &p.fit;
    if (name == QLatin1String("--within")) return &p.within;
    if (name == QLatin1String("--output-dir")) return &p.outputDir;
    return nullptr;
}

// Reads the words into the parser; false with `error` set at the first that makes no sense.
bool readWords(Parser& p, const QStringList& words) {
    bool filesOnly = false;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (filesOnly || !word.startsWith(QLatin1Char('-')) || word == QLatin1String("-")) {
            p.options.files.append(word);
            continue;
        }
        if (word == QLatin1String("--")) {
            filesOnly = true;
            continue;
        }
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        const QString name = equals < 0 ? word : word.left(equals);
        if (name == QLatin1String("--smooth") && equals < 0) {
            p.options.smooth = true;
            continue;
        }
        if (name == QLatin1String("--keep-date-and-camera") && equals < 0) {
            p.options.keepDateAndCamera = true;
            continue;
        }
        std::optional<QString>* slot = valueSlot(p, name);
        if (!slot) {
            p.error = QStringLiteral("unknown option %1").arg(name);
            return false;
        }
        if (slot->has_value()) {
            p.error = QStringLiteral("%1 is given twice").arg(name);
            return false;
        }
        if (equals < 0 && i + 1 >= words.size()) {
            p.error = QStringLiteral("%1 needs a value").arg(name);
            return false;
        }
        *slot = equals < 0 ? words[++i] : word.mid(equals + 1);
    }
    return true;
}

// Turns the values into the options; the message names the first value that makes no sense.
std::optional<QString> applyValues(Parser& p) {
    Options& o = p.options;
    if (p.within && (p.scale || p.size))
        return QStringLiteral("--within goes alone or with --fit, not with --scale or --size");
    const int modes = int(p.scale.has_value()) + int(p.size.has_value()) + int(p.fit.has_value()) +
                      int(p.within.has_value());
    const bool pair = (p.fit && p.size) || (p.fit && p.within);
    if (modes == 0 || (modes > 1 && !pair) || modes > 2)
        return QStringLiteral("give one of --scale, --size, --fit and --within (--fit may go with --size or "
                              "--within)");
    if (p.within) {
        const auto box = pixelSize(*p.within);
        if (!box)
            return QStringLiteral("--within takes WIDTHxHEIGHT in pixels, each 1 to %1, such as 2048x2048")
                .arg(MaxPictureSide);
        o.mode = SizeMode::Within;
        o.within = *box;
    }
    if (p.heightScale && !p.scale) return QStringLiteral("--height-scale goes with --scale");
    if (p.scale) {
        const auto x = wholeNumber(*p.scale, 1, MaxPercent);
        const auto y = p.heightScale ? wholeNumber(*p.heightScale, 1, MaxPercent) : x;
        if (!x || !y)
            return QStringLiteral("a scale is a whole percentage from 1 to %1, such as 50").arg(MaxPercent);
        o.mode = SizeMode::Scale;
        o.percentX = *x;
        o.percentY = *y;
    } else if (p.size) {
        if (p.fit && !(o.fitBytes = byteCount(*p.fit).value_or(0)))
            return QStringLiteral("--fit takes a length such as 600K or 1.5M (a plain number is in KB)");
        const auto size = pixelSize(*p.size);
        if (!size)
            return QStringLiteral("--size takes WIDTHxHEIGHT in pixels, each 1 to %1, such as 1280x960")
                .arg(MaxPictureSide);
        o.mode = SizeMode::Size;
        o.size = *size;
    } else if (p.fit) {
        const auto bytes = byteCount(*p.fit);
        if (!bytes)
            return QStringLiteral("--fit takes a length such as 600K or 1.5M (a plain number is in KB)");
        o.mode = SizeMode::Fit;
        o.fitBytes = *bytes;
    }
    if (p.outputDir) {
        if (p.outputDir->isEmpty()) return QStringLiteral("--output-dir needs a folder");
        o.outputDir = *p.outputDir;
    }
    if (o.files.isEmpty()) return QStringLiteral("no picture files given");
    return std::nullopt;
}

} // namespace

bool AsksForCommandLine(const QStringList& arguments) {
    return std::any_of(arguments.begin(), arguments.end(), [](const QString& word) {
        return word.startsWith(QLatin1Char('-')) && word != QLatin1String("-");
    });
}

std::variant<Options, UsageError> ParseArguments(const QStringList& arguments) {
    for (const QString& word : arguments) {
        if (word == QLatin1String("--")) break;
        const bool help = word == QLatin1String("--help") || word == QLatin1String("-h");
        if (help || word == QLatin1String("--version")) {
            Options options;
            options.request = help ? Request::Help : Request::Version;
            return options;
        }
    }
    Parser parser;
    if (!readWords(parser, arguments)) return UsageError{parser.error};
    if (const auto error = applyValues(parser)) return UsageError{*error};
    return parser.options;
}

QString UsageLine() {
    return QStringLiteral(
        "usage: quillon (--scale PERCENT [--height-scale PERCENT] | --size WIDTHxHEIGHT | "
        "--fit LENGTH [--within WIDTHxHEIGHT] | --within WIDTHxHEIGHT | --size WIDTHxHEIGHT --fit LENGTH) "
        "[--output-dir DIR] [--smooth] [--keep-date-and-camera] [--] FILE...");
}

QString HelpText() {
    return UsageLine() + QStringLiteral(R"(

Rescales pictures (nearest neighbour unless --smooth) and saves each as a quality-90 JPEG named
NAME(QLN).jpg beside it. Options may come before or after the files. Without options, quillon
opens its window (quillon FILE opens FILE in it).

  --scale PERCENT         both sides to PERCENT % (1 to 300), rounded down
  --height-scale PERCENT  the height to PERCENT % instead (with --scale)
  --size WIDTHxHEIGHT     exactly this many pixels (1 to 65500 each)
  --fit LENGTH            the largest size whose JPEG is at most LENGTH long:
                          600K or 600 (KB of 1,024 bytes), 1.5M (MB), 600000B (bytes);
                          never larger than the picture
  --within WIDTHxHEIGHT   the largest size inside this box, in the picture's own
                          proportions and never enlarged; with --fit, both hold
  --size W×H --fit LENGTH  exactly W × H pixels, at the highest quality from 90 down
                          to 30 whose JPEG fits (the line names it); else nothing
  --output-dir DIR        save into DIR instead, under the same names
  --smooth                smooth resampling (Lanczos), as "Smooth Resizing" in the window
  --keep-date-and-camera  keep the capture date and time (with time zones), camera and lens make
                          and model, exposure time, f-number, ISO, focal length (and in 35 mm),
                          exposure program and bias, flash, white balance, artist and copyright;
                          never written, whatever the options: the location (GPS), serial
                          numbers, the owner's name, maker notes, the thumbnail, XMP, IPTC,
                          comments and image IDs. Without it the JPEG has no metadata at all.
  --                      the end of the options: every word after it is a file
  -h, --help, --version

Two files with one output name: the first is saved, the second left out with a warning. A file
that is the output of another file given is skipped with a note, and made anew from that file.

Exit status: 0 when every file was saved or skipped, 1 when any failed or was left out, 2 for bad
arguments or no display for the window, 130, 143 or 129 when stopped by SIGINT, SIGTERM or SIGHUP
(the unfinished files are left as they were).
)");
}
