// Command lines: the bytes split on NUL or newline into words.
#include "cli/Arguments.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QStringList words;
    for (const QByteArray& word : QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).replace('\0', '\n').split('\n'))
        words.append(QString::fromUtf8(word));
    const auto result = ParseArguments(words);
    const auto* o = std::get_if<Options>(&result);
    // What the jobs take for granted once the words are accepted.
    if (o && o->request == Request::Run &&
        (o->files.isEmpty() || o->percentX < 1 || o->percentY < 1 || (o->mode == SizeMode::Fit && o->fitBytes < 1) ||
         (o->mode == SizeMode::Size && o->size.isEmpty())))
        std::abort();
    if (!o && std::get<UsageError>(result).message.isEmpty()) std::abort();
    return 0;
}
