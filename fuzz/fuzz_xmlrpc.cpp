#include "links/FldigiContact.h"
#include "links/HttpResponseReader.h"
#include "links/XmlRpc.h"

#include <cstdlib>

// fldigi's answers: the HTTP around them, cut where the first byte says, then the XML.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype cut = size ? qsizetype(data[0]) % qsizetype(size) : 0;
    links::HttpResponseReader reader;
    reader.feed(bytes.first(cut));
    reader.feed(bytes.sliced(cut));
    reader.finish();
    if (reader.state() == links::HttpResponseReader::State::Complete) {
        if (reader.body().size() > links::HttpResponseReader::MaxBody)
            std::abort();
        const auto answer = links::xmlrpc::parseAnswer(reader.body());
        if (answer)
            (void)links::FldigiContact::fromAnswer(answer.value());
    }
    const auto direct = links::xmlrpc::parseAnswer(bytes);
    if (direct) {
        const auto contact = links::FldigiContact::fromAnswer(direct.value());
        if (contact && contact.value().call.size() > links::xmlrpc::MaxAnswer)
            std::abort();
    }
    return 0;
}
