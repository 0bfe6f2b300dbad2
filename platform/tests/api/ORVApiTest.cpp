#include "platform/api/ORVApi.h"
#include "base/Error.h"
#include "platform/api/StoredTokens.h"
#include "platform/api/TokenCipher.h"
#include "support/MemoryRegistryStore.h"

#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using tavor::Error;
using tavor::MemoryRegistryStore;
using tavor::ORVApi;
using tavor::TokenCipher;

namespace {

const QString AccessCode = QStringLiteral("418265");
const QString TavorKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\ORV\\Tavor");

void expectEveryMemberRaises(ORVApi& api) {
    EXPECT_THROW(api.Regestry().get_String(TavorKey, "_Server"), Error);
    EXPECT_THROW(api.Regestry().Set_String(TavorKey, "_Server", "S"), Error);
    EXPECT_THROW(api.InIFile().setFileName("/tmp/x.ini"), Error);
    EXPECT_THROW(api.InIFile().FileName(), Error);
    EXPECT_THROW(api.InIFile().GetIniFile("Main", "Useini"), Error);
    EXPECT_THROW(api.InIFile().SetIniFile("Main", "Useini", "1"), Error);
    EXPECT_THROW(api.secret().SimpleSecrit(tavor::StoredTokens::DatabaseUser), Error);
}

bool isPrintableAscii(const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    }
    return true;
}

} // namespace

// The object must serve nothing before the access code, nor after a wrong one.
TEST(ORVApi, ServesNothingWithoutTheAccessCode) {
    auto registry = std::make_shared<MemoryRegistryStore>();
    registry->setValue(TavorKey, "_Server", "SRV");
    ORVApi api(registry);
    expectEveryMemberRaises(api);

    api.setOpenKey("418266");
    expectEveryMemberRaises(api);

    api.setOpenKey(AccessCode);
    EXPECT_EQ(api.Regestry().get_String(TavorKey, "_Server"), QStringLiteral("SRV"));

    api.setOpenKey(QString());
    expectEveryMemberRaises(api);
    EXPECT_EQ(registry->writeCount(), 1) << "a refused Set_String must not reach the store";
}

// Absent values read as empty text; writes are kept, and a failed write raises.
TEST(ORVApi, RegistryAndIniFileReadEmptyWhenAbsentAndWriteFailuresRaise) {
    QTemporaryDir dir;
    auto registry = std::make_shared<MemoryRegistryStore>();
    ORVApi api(registry);
    api.setOpenKey(AccessCode);
    EXPECT_EQ(api.Regestry().get_String(TavorKey, "Drive"), QString());
    api.Regestry().Set_String(TavorKey, "Drive", " /media/usb ");
    EXPECT_EQ(api.Regestry().get_String(TavorKey, "Drive"), QStringLiteral(" /media/usb "));
    registry->failWrites(true);
    EXPECT_THROW(api.Regestry().Set_String(TavorKey, "Drive", "x"), Error);

    api.InIFile().setFileName(dir.filePath("Update.orv"));
    EXPECT_EQ(api.InIFile().FileName(), dir.filePath("Update.orv"));
    EXPECT_EQ(api.InIFile().GetIniFile("Main", "Version"), QString());
    api.InIFile().SetIniFile("Main", "Version", " 1.0.7 ");
    EXPECT_EQ(api.InIFile().GetIniFile("MAIN", "version"), QStringLiteral(" 1.0.7 "));
    api.InIFile().setFileName(dir.filePath("Update.orv/below a file"));
    EXPECT_THROW(api.InIFile().SetIniFile("Main", "Version", "1"), Error);
}

// Each stored token must decode to the length the program relies on, as printable
// text, and must not be stored in clear.
TEST(ORVApi, StoredTokensDecodeToTheirLengths) {
    ORVApi api(std::make_shared<MemoryRegistryStore>());
    api.setOpenKey(AccessCode);
    const std::pair<QString, qsizetype> tokens[] = {{tavor::StoredTokens::MediaPassword, 11},
                                                    {tavor::StoredTokens::DatabasePassword, 7},
                                                    {tavor::StoredTokens::DatabaseUser, 2}};
    for (const auto& [token, length] : tokens) {
        const QString clear = api.secret().SimpleSecrit(token);
        EXPECT_EQ(clear.size(), length);
        EXPECT_TRUE(isPrintableAscii(clear)) << length;
        EXPECT_NE(clear, token) << length;
    }
}

// Deciphering must undo enciphering at every position, no printable character may
// encipher to itself, and other characters pass through unchanged.
TEST(TokenCipher, RoundTripsAndChangesEveryPrintableCharacter) {
    QString all;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        all += QChar(c);
    const QString other = QStringLiteral(u"a\tب\u00e9z");
    for (const QString& text : {all, QString(all).append(all), QString()}) {
        const QString token = TokenCipher::encipher(text);
        ASSERT_EQ(token.size(), text.size());
        EXPECT_TRUE(isPrintableAscii(token));
        EXPECT_EQ(TokenCipher::decipher(token), text);
        for (qsizetype i = 0; i < text.size(); ++i)
            EXPECT_NE(token.at(i), text.at(i)) << i;
    }
    const QString repeated = TokenCipher::encipher("aaaaaaaa");
    EXPECT_GT(QSet<QChar>(repeated.begin(), repeated.end()).size(), 1)
        << "the shift must change with the position";
    EXPECT_EQ(TokenCipher::encipher(other).mid(1, 3), other.mid(1, 3))
        << "characters outside printable ASCII pass unchanged";
    EXPECT_EQ(TokenCipher::decipher(TokenCipher::encipher(other)), other);
}
