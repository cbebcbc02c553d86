#include "formats/Export.h"

#include "storage/FileHandle.h"
#include "storage/Logbook.h"

#include <QFileInfo>

#include <functional>
#include <optional>
#include <utility>

namespace formats {
namespace {

// Hands the bytes piled up in `out` to `flush` after the header, after each block of
// records and after the footer; `flush` may take them away or leave them to pile up.
using Flush = std::function<storage::Status(QByteArray &out)>;

storage::Result<Report> run(const FormatEntry &entry, const QString &path, Options options,
                            QByteArray &out, const Flush &flush)
{
    if (options.logbookName.isEmpty())
        options.logbookName = QFileInfo(path).fileName();
    const std::unique_ptr<Format> format = entry.make(options);
    Report report;
    // A logbook named by mistake is not made: only an existing one is read.
    const auto open = [&] { return storage::LogbookReader::open(path, storage::IfMissing::Fail); };
    // A format that surveys may state what it found in its header (Cabrillo's score).
    if (!format->surveys()) {
        out += format->header();
        if (auto flushed = flush(out); !flushed)
            return flushed.error();
    } else {
        auto reader = open();
        if (!reader)
            return reader.error();
        for (auto block = reader.value().nextBlock(); block.records > 0;
             block = reader.value().nextBlock())
            format->survey(block.data, block.records, block.firstNumber);
        if (reader.value().error())
            return *reader.value().error();
        out += format->header();
        if (auto flushed = flush(out); !flushed)
            return flushed.error();
    }
    auto reader = open();
    if (!reader)
        return reader.error();
    for (auto block = reader.value().nextBlock(); block.records > 0;
         block = reader.value().nextBlock()) {
        format->write(out, block.data, block.records, block.firstNumber, report);
        if (auto flushed = flush(out); !flushed)
            return flushed.error();
    }
    // Whatever was read before a read error stays written; the error is still reported.
    if (reader.value().error())
        return *reader.value().error();
    out += format->footer();
    if (auto flushed = flush(out); !flushed)
        return flushed.error();
    return report;
}

} // namespace

storage::Result<Rendered> exportLogbook(const FormatEntry &format, const QString &path,
                                        Options options)
{
    Rendered rendered;
    auto report = run(format, path, std::move(options), rendered.output,
                      [](QByteArray &) { return storage::success(); });
    if (!report)
        return report.error();
    rendered.report = std::move(report.value());
    return rendered;
}

storage::Result<Report> appendLogbook(const FormatEntry &format, const QString &source,
                                      const QString &destination, Options options)
{
    // The destination is opened (and so created) only once there is something to append.
    std::optional<storage::FileHandle> file;
    QByteArray out;
    return run(format, source, std::move(options), out, [&](QByteArray &bytes) -> storage::Status {
        if (bytes.isEmpty())
            return storage::success();
        if (!file) {
            auto opened = storage::FileHandle::open(destination, storage::FileHandle::Mode::Append);
            if (!opened)
                return opened.error();
            file.emplace(std::move(opened.value()));
        }
        auto written = file->write(bytes.constData(), bytes.size());
        bytes.resize(0); // keeps the room for the next block
        return written;
    });
}

} // namespace formats
