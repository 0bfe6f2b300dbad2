#include "platform/api/ORVApi.h"
#include "platform/Error.h"
#include "platform/api/StoredTokens.h"
#include "platform/api/TokenCipher.h"
#include "support/MemoryRegistryStore.h"

#include <QFile>
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

// Absent values read as empty text; a failed registry write reaches the caller.
TEST(ORVApi, RegistryReadsEmptyWhenAbsentAndWriteFailuresRaise) {
    auto registry = std::make_shared<MemoryRegistryStore>();
    ORVApi api(registry);
    api.setOpenKey(AccessCode);
    EXPECT_EQ(api.Regestry().get_String(TavorKey + "\\Backup", "Drive"), QString());
    api.Regestry().Set_String(TavorKey + "\\Backup", "Drive", " /media/usb ");
    EXPECT_EQ(api.Regestry().get_String(TavorKey + "\\Backup", "Drive"),
              QStringLiteral(" /media/usb "));
    registry->failWrites(true);
    EXPECT_THROW(api.Regestry().Set_String(TavorKey + "\\Backup", "Drive", "x"), Error);
}

// INI calls go to the file named last; absent entries read as empty text and a
// failed write raises.
TEST(ORVApi, IniFileUsesTheFileNamedLast) {
    QTemporaryDir dir;
    ORVApi api(std::make_shared<MemoryRegistryStore>());
    api.setOpenKey(AccessCode);
    const QString first = dir.filePath("Update.orv");
    const QString second = dir.filePath("Setting.ini");

    api.InIFile().setFileName(first);
    EXPECT_EQ(api.InIFile().FileName(), first);
    EXPECT_EQ(api.InIFile().GetIniFile("Main", "Version"), QString());
    api.InIFile().SetIniFile("Main", "Version", "1.0.7");

    api.InIFile().setFileName(second);
    EXPECT_EQ(api.InIFile().GetIniFile("Main", "Version"), QString());
    api.InIFile().SetIniFile("Main", "Server", " SRV ");
    EXPECT_EQ(api.InIFile().GetIniFile("MAIN", "server"), QStringLiteral(" SRV "));

    api.InIFile().setFileName(first);
    EXPECT_EQ(api.InIFile().GetIniFile("Main", "Version"), QStringLiteral("1.0.7"));

    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    api.InIFile().setFileName(dir.filePath("plain/Setting.ini"));
    EXPECT_THROW(api.InIFile().SetIniFile("Main", "Useini", "1"), Error);
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

// Deciphering must undo enciphering for every printable character at every position,
// and no printable character may encipher to itself.
TEST(TokenCipher, RoundTripsAndChangesEveryPrintableCharacter) {
    QString all;
    for (char16_t c = 0x20; c <= 0x7E; ++c)
        all += QChar(c);
    for (const QString& text : {all, QString(all).append(all), QStringLiteral("x"), QString()}) {
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
}

// Characters outside printable ASCII are not part of the alphabet and pass unchanged.
TEST(TokenCipher, PassesOtherCharactersThrough) {
    const QString text = QStringLiteral(u"a\tب\u00e9z");
    const QString token = TokenCipher::encipher(text);
    EXPECT_EQ(token.at(1), QChar('\t'));
    EXPECT_EQ(token.at(2), QChar(u'ب'));
    EXPECT_EQ(token.at(3), QChar(u'\u00e9'));
    EXPECT_EQ(TokenCipher::decipher(token), text);
}
