#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

// One fuzz target per file in fuzz/targets/: the file's name is the target's name, and the file opens
// its entry point with NORVALE_FUZZ_TARGET(<name>)(const uint8_t* data, size_t size) { ... }.
//
// Built with libFuzzer (make fuzz) the entry point becomes the binary's LLVMFuzzerTestOneInput; in
// the ordinary build every target registers itself with the replay driver instead, which feeds it the
// committed corpus and regression inputs (make test). Both call the same body.
namespace fuzz {

using Entry = void (*)(const uint8_t* data, size_t size);

// Records a target for the replay driver -> true (its value only exists to run at start-up).
bool RegisterTarget(const char* name, Entry entry);
// The registered target of that name, null when there is none.
Entry FindTarget(const QString& name);
// The names of all registered targets, sorted.
QStringList TargetNames();

// Sets the process up once: an offscreen application object, settings and caches in a scratch
// folder, Qt's own warnings silenced (a parser refusing junk is the normal case here).
void SetUpProcess();

// Writes bytes to a file of that name in the process's scratch folder -> its path; for readers that
// take a path.
QString WriteScratchFile(const QString& name, const QByteArray& bytes);

// Reports a broken invariant and aborts, so that the fuzzer keeps the input.
[[noreturn]] void Fail(const char* what, const QString& detail = QString());
inline void Check(bool condition, const char* what, const QString& detail = QString()) {
    if (!condition)
        Fail(what, detail);
}

// A deep copy of the input: nothing may keep a pointer into the fuzzer's buffer.
inline QByteArray Bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Cuts an input into the choices a target makes (a mode, piece sizes) and the text it then parses.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    size_t remaining() const { return m_size - m_pos; }
    // The next byte, 0 once the input is used up.
    uint8_t TakeByte() { return empty() ? 0 : m_data[m_pos++]; }
    // The next 16 bits (little-endian).
    uint16_t TakeUInt16() {
        const uint16_t low = TakeByte();
        return uint16_t(low | (uint16_t(TakeByte()) << 8));
    }
    // At most count bytes.
    QByteArray TakeBytes(size_t count) {
        const size_t n = count < remaining() ? count : remaining();
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }
    // Bytes up to the next NUL (taken, not returned) or the end: lets one input hold several fields.
    QByteArray TakeField() {
        size_t end = m_pos;
        while (end < m_size && m_data[end] != 0)
            ++end;
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(end - m_pos));
        m_pos = end < m_size ? end + 1 : end;
        return out;
    }
    QByteArray TakeRest() { return TakeBytes(remaining()); }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

} // namespace fuzz

#if defined(NORVALE_FUZZ_LIBFUZZER)
#define NORVALE_FUZZ_TARGET(name)                                                                  \
    static void NorvaleFuzzBody(const uint8_t* data, size_t size);                                \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {                      \
        NorvaleFuzzBody(data, size);                                                               \
        return 0;                                                                                  \
    }                                                                                              \
    static void NorvaleFuzzBody
#else
#define NORVALE_FUZZ_TARGET(name)                                                                  \
    static void NorvaleFuzzBody(const uint8_t* data, size_t size);                                \
    [[maybe_unused]] static const bool norvaleFuzzRegistered_##name =                              \
        fuzz::RegisterTarget(#name, &NorvaleFuzzBody);                                             \
    static void NorvaleFuzzBody
#endif
