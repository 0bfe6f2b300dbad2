// Any checksum file: parsing never fails, every digest it keeps is 64 lower-case
// hex digits, and what render() writes of the entries reads back as itself, escaped
// names included.

#include "formats/checksums/ChecksumManifest.h"
#include "support/FuzzCheck.h"

namespace {

bool isLowerHexDigest(const QString& digest) {
    if (digest.size() != tavor::ChecksumManifest::DigestLength)
        return false;
    for (const QChar c : digest) {
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const tavor::ChecksumManifest manifest = tavor::ChecksumManifest::parse(text);
    for (const tavor::ManifestEntry& entry : manifest.entries())
        TAVOR_FUZZ_CHECK(isLowerHexDigest(entry.digest));

    const QByteArray rendered = tavor::ChecksumManifest::render(manifest.entries());
    const tavor::ChecksumManifest reread = tavor::ChecksumManifest::parse(rendered);
    TAVOR_FUZZ_CHECK(reread.malformedLines() == 0);
    TAVOR_FUZZ_CHECK(tavor::ChecksumManifest::render(reread.entries()) == rendered);
    return 0;
}
