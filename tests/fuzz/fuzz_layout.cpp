// Stored-layout text through the parser and into real viewers, as the main window reads it.
#include "imaging/Error.h"
#include "viewer/AAImageView.h"

#include <QApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv); // kept for the whole run
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    try { // picture names resolve among the viewer's built-in files, as the shipped layout's do
        for (const PropertyBag& bag : ParseStoredLayout(text, ":/viewer")) {
            AAImageView view;
            view.ReadProperties(bag);
            view.Paint();
        }
    } catch (const QuillonError&) {
    }
    return 0;
}
