// Times each step of the workflow, from the handler's start to its return, on the real main window
// (offscreen, scripted dialogs), over a photo-like 6000 x 4000 JPEG that it makes itself.
//
//   bench_workflow FOLDER [REPEATS]
//
// Writes into FOLDER: photo.jpg (the input), w5.ppm and w6.ppm (the pixels that W5 and W6 encode, for
// cjpeg), and the outputs. Prints one line per step: "step min median" in milliseconds, then the
// encoder's own time on the W5 and W6 pixels and the peak resident memory.
#include "encoding/cDIBSection.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "main_window/frmMain.h"
#include "support/PictureFactory.h"
#include "support/ScriptedDialogs.h"
#include "viewer/AAImageView.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

namespace {

struct Timings {
    std::map<QString, std::vector<double>> steps;
    void add(const QString& step, double ms) { steps[step].push_back(ms); }
};

double timed(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

QString peakResidentMemory() {
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return QString::fromLatin1(line.mid(6).trimmed());
    return QStringLiteral("?");
}

// Writes a picture's pixels as a binary PPM, the input cjpeg reads fastest.
void writePpm(const QImage& image, const QString& path) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QStringLiteral("P6\n%1 %2\n255\n").arg(image.width()).arg(image.height()).toLatin1());
    QByteArray row(image.width() * 3, '\0');
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            row[3 * x] = char(qRed(in[x]));
            row[3 * x + 1] = char(qGreen(in[x]));
            row[3 * x + 2] = char(qBlue(in[x]));
        }
        file.write(row);
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_workflow FOLDER [REPEATS]\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const int repeats = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    const QString photo = folder.filePath(QStringLiteral("photo.jpg"));
    if (!QFile::exists(photo))
        factory::writeFile(photo, factory::encode(factory::gradient(6000, 4000), "JPEG", 92));

    ScriptedDialogs dialogs;
    frmMain window(dialogs);
    auto& ui = window;
    auto* cmbScaleX = ui.findChild<QComboBox*>(QStringLiteral("cmbScaleX"));
    auto* cmbScaleY = ui.findChild<QComboBox*>(QStringLiteral("cmbScaleY"));
    auto* txtwidth = ui.findChild<QLineEdit*>(QStringLiteral("txtwidth"));
    auto* txtheight = ui.findChild<QLineEdit*>(QStringLiteral("txtheight"));
    auto* resized = ui.findChild<AAImageView*>(QStringLiteral("AAIVResized"));
    const auto choose = [](QComboBox* list, const char* item) {
        list->setCurrentIndex(list->findText(QLatin1String(item)));
    };

    Timings t;
    for (int round = 0; round < repeats; ++round) {
        window.mnuFileClose_Click(); // lists back at "100 %"
        dialogs.openAnswers = {photo};
        t.add("W1 open", timed([&] { window.mnuFileOpen_Click(); }));
        t.add("W2 050 %", timed([&] {
                  choose(cmbScaleX, "050 %");
                  choose(cmbScaleY, "050 %");
              }));
        t.add("W3 300 %", timed([&] {
                  choose(cmbScaleX, "300 %");
                  choose(cmbScaleY, "300 %");
              }));
        txtwidth->setText(QStringLiteral("1920"));
        txtheight->setText(QStringLiteral("1080"));
        t.add("W4 pixels 1920 x 1080", timed([&] { window.Command2_Click(); }));
        choose(cmbScaleX, "050 %");
        choose(cmbScaleY, "050 %");
        t.add("W5 save 050 %", timed([&] { window.Command5_Click(); }));
        if (round == 0) writePpm(resized->Picture()->image(), folder.filePath(QStringLiteral("w5.ppm")));
        choose(cmbScaleX, "300 %");
        choose(cmbScaleY, "300 %");
        t.add("W6 save 300 %", timed([&] { window.Command5_Click(); }));
        if (round == 0) writePpm(resized->Picture()->image(), folder.filePath(QStringLiteral("w6.ppm")));
        // The encoder alone on the same pixels, for the comparison with cjpeg.
        for (const char* item : {"050 %", "300 %"}) {
            choose(cmbScaleX, item);
            choose(cmbScaleY, item);
            cDIBSection wrapper;
            wrapper.CreateFromPicture(resized->Picture());
            const QString out = folder.filePath(QStringLiteral("encode-only.jpg"));
            t.add(QStringLiteral("E%1 encode %2").arg(item[0] == '0' ? 5 : 6).arg(QLatin1String(item)),
                  timed([&] { SaveJPEG(dialogs, wrapper, out, 90); }));
        }
    }
    if (!dialogs.messages.empty() && dialogs.messages.front().style != vbOKOnly)
        std::fprintf(stderr, "warning shown: %s\n", qPrintable(dialogs.messages.front().text));

    QTextStream out(stdout);
    for (const auto& [step, values] : t.steps)
        out << step << '\t' << QString::number(*std::min_element(values.begin(), values.end()), 'f', 1)
            << '\t' << QString::number(median(values), 'f', 1) << '\n';
    out << "peak\t" << peakResidentMemory() << '\n';
    return 0;
}
