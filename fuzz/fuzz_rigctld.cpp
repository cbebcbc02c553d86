#include "links/RigctldReader.h"

#include <cstdlib>

// rigctld's lines, fed in two pieces as a socket may deliver them; both ways must agree.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    links::RigctldReader whole;
    whole.feed(bytes);
    links::RigctldReader pieces;
    const qsizetype cut = qsizetype(size / 2);
    pieces.feed(bytes.first(cut));
    pieces.feed(bytes.sliced(cut));
    if (whole.state() != pieces.state())
        std::abort();
    if (whole.state() == links::RigctldReader::State::Complete) {
        const links::RigReading &r = whole.reading();
        if (r.frequencyHz != pieces.reading().frequencyHz || r.mode != pieces.reading().mode)
            std::abort();
        if ((r.frequencyHz && *r.frequencyHz < 0) || (r.mode && r.mode->size() > 16))
            std::abort();
    }
    return 0;
}
