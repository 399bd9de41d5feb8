// The compound-file reader with the mail store's records: a store file of any bytes is parsed, every
// stream read as a message record, and what was read written out again.

#include "FuzzTarget.h"

#include "mail/MessageHeader.h"
#include "platform/Archive.h"
#include "platform/CompoundFile.h"

namespace {

void walk(const platform::CompoundFile& file, const QStringList& path, int depth) {
    std::vector<platform::CompoundFile::Element> elements;
    fuzz::Check(file.List(path, elements) == platform::stg::S_OK, "a listed storage cannot be listed");
    for (size_t i = 1; i < elements.size(); ++i)
        fuzz::Check(platform::CompoundFile::CompareNames(elements[i - 1].name, elements[i].name) < 0,
                    "siblings out of order or named twice", elements[i].name);
    for (const auto& element : elements) {
        fuzz::Check(!element.name.isEmpty() && element.name.size() <= 31, "element name out of bounds");
        const QStringList child = path + QStringList{element.name};
        if (element.kind == platform::CompoundFile::Kind::Storage) {
            walk(file, child, depth + 1);
            continue;
        }
        QByteArray data;
        fuzz::Check(file.ReadStream(child, data) == platform::stg::S_OK, "a listed stream cannot be read");
        fuzz::Check(data.size() == element.size, "stream size differs from its listing");
        platform::ArchiveReader archive(data);
        CMessageHeader header;
        QString body;
        if (header.Load(archive) && archive.ReadString(body)) {
            platform::ArchiveWriter again;
            header.Store(again);
            fuzz::Check(again.data().size() <= data.size() * 3 + 16, "a record grew without bound");
        }
    }
}

} // namespace

NORVALE_FUZZ_TARGET(compound_file)(const uint8_t* data, size_t size) {
    platform::CompoundFile file;
    const QByteArray input = fuzz::Bytes(data, size);
    const quint32 code = file.Parse(input);
    if (code != platform::stg::S_OK) {
        fuzz::Check(platform::stg::Failed(code) && !file.error().isEmpty(), "a refusal without a reason");
        std::vector<platform::CompoundFile::Element> root;
        fuzz::Check(file.List({}, root) == platform::stg::S_OK && root.empty(), "a refused file left elements");
        return;
    }
    walk(file, {}, 0);
    // What was read writes out to a file that reads back to the same tree.
    const QByteArray image = file.Serialize();
    platform::CompoundFile again;
    fuzz::Check(again.Parse(image) == platform::stg::S_OK, "a written file does not read", again.error());
    fuzz::Check(again.Serialize() == image, "a written file does not write back the same");
}
