// Command lines: the bytes split on NUL or newline into words, each a name that keeps its bytes.
#include "cli/Arguments.h"
#include "imaging/FileName.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QStringList words;
    for (const QByteArray& line :
         QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\n'))
        for (const QByteArray& word : line.split('\0')) {
            words += DecodeFileName(word);
            if (EncodeFileName(words.last()) != word) std::abort();
        }
    const auto result = ParseArguments(words);
    const auto* o = std::get_if<Options>(&result);
    // What the jobs take for granted once the words are accepted.
    const bool usable =
        !o || o->request != Request::Run ||
        (!o->files.isEmpty() && o->percentX > 0 && o->percentY > 0 && o->fitBytes >= 0 &&
         (o->mode != SizeMode::Fit || o->fitBytes > 0) && (o->mode != SizeMode::Size || !o->size.isEmpty()));
    if (!usable || (!o && std::get<UsageError>(result).message.isEmpty())) std::abort();
    return 0;
}
