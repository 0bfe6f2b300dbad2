#include "embeddedserver/SqlTokenizer.h"
#include "platform/database/SqlErrors.h"

#include <gtest/gtest.h>

using tavor::SqlToken;
using tavor::SqlTokenizer;
using Kind = SqlToken::Kind;

namespace {

long errorNumberOf(const QString& sql) {
    try {
        SqlTokenizer::tokenize(sql);
    } catch (const tavor::Error& e) {
        return e.number();
    }
    return 0;
}

} // namespace

// A doubled quote inside a literal is one quote, not the end of the literal.
TEST(SqlTokenizer, UnescapesDoubledQuotesInStringsAndNames) {
    const auto tokens = SqlTokenizer::tokenize(QStringLiteral("'it''s' [a]]b] \"x\"\"y\""));
    ASSERT_EQ(tokens.size(), 3);
    EXPECT_EQ(tokens[0].kind, Kind::String);
    EXPECT_EQ(tokens[0].text, QStringLiteral("it's"));
    EXPECT_EQ(tokens[1].kind, Kind::QuotedName);
    EXPECT_EQ(tokens[1].text, QStringLiteral("a]b"));
    EXPECT_EQ(tokens[2].kind, Kind::QuotedName);
    EXPECT_EQ(tokens[2].text, QStringLiteral("x\"y"));
}

// N'...' is one national literal, while a name that merely starts with N is a word.
TEST(SqlTokenizer, NationalPrefixOnlyBeforeAQuote) {
    const auto tokens = SqlTokenizer::tokenize(QStringLiteral("name = N'LCS_007' Nx n'ع'"));
    ASSERT_EQ(tokens.size(), 5);
    EXPECT_EQ(tokens[0].kind, Kind::Word);
    EXPECT_EQ(tokens[2].kind, Kind::String);
    EXPECT_TRUE(tokens[2].national);
    EXPECT_EQ(tokens[2].text, QStringLiteral("LCS_007"));
    EXPECT_EQ(tokens[3].kind, Kind::Word);
    EXPECT_EQ(tokens[3].text, QStringLiteral("Nx"));
    EXPECT_TRUE(tokens[4].national);
    EXPECT_EQ(tokens[4].text, QStringLiteral("ع"));
}

// Comment markers inside literals are text; real comments vanish, nested ones too.
TEST(SqlTokenizer, DropsCommentsButNotCommentMarkersInsideLiterals) {
    const auto tokens = SqlTokenizer::tokenize(
        QStringLiteral("SELECT /* a /* nested */ still comment */ '--x' -- tail\n, [/*y*/] ?"));
    ASSERT_EQ(tokens.size(), 5);
    EXPECT_TRUE(tokens[0].isWord("select"));
    EXPECT_EQ(tokens[1].text, QStringLiteral("--x"));
    EXPECT_TRUE(tokens[2].isPunctuation(QLatin1Char(',')));
    EXPECT_EQ(tokens[3].text, QStringLiteral("/*y*/"));
    EXPECT_EQ(tokens[4].kind, Kind::Parameter);
}

TEST(SqlTokenizer, ReadsNumbersAndMultiPartNames) {
    const auto tokens = SqlTokenizer::tokenize(QStringLiteral("3.5 42 HS_Tmp.[dbo].t"));
    ASSERT_EQ(tokens.size(), 7);
    EXPECT_EQ(tokens[0].kind, Kind::Number);
    EXPECT_EQ(tokens[0].text, QStringLiteral("3.5"));
    EXPECT_EQ(tokens[1].text, QStringLiteral("42"));
    EXPECT_EQ(tokens[2].text, QStringLiteral("HS_Tmp"));
    EXPECT_TRUE(tokens[3].isPunctuation(QLatin1Char('.')));
    EXPECT_EQ(tokens[4].kind, Kind::QuotedName);
}

// Unclosed quotes and comments are the server's errors 105 and 113, never a hang.
TEST(SqlTokenizer, UnclosedQuotesAndCommentsRaiseServerNumbers) {
    EXPECT_EQ(errorNumberOf(QStringLiteral("SELECT 'abc")), tavor::SqlError::UnclosedQuote);
    EXPECT_EQ(errorNumberOf(QStringLiteral("SELECT 'a''")), tavor::SqlError::UnclosedQuote);
    EXPECT_EQ(errorNumberOf(QStringLiteral("SELECT [abc")), tavor::SqlError::UnclosedQuote);
    EXPECT_EQ(errorNumberOf(QStringLiteral("SELECT /* a /* b */")),
              tavor::SqlError::MissingEndComment);
    EXPECT_EQ(errorNumberOf(QStringLiteral("SELECT 'a' -- no newline")), 0);
}
