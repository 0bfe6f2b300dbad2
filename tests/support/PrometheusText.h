#pragma once

#include <QByteArray>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tavor::test {

// Reads a metrics file by the rules of the Prometheus text format that a textfile
// collector enforces, and keeps every sample by its series ("name{labels}" as
// written). What breaks a rule is listed, one line each.
class PrometheusText {
public:
    explicit PrometheusText(const QByteArray& text) {
        if (!text.endsWith('\n'))
            violations_ << QStringLiteral("the text does not end with a line break");
        const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i)
            read(lines[i], i + 1);
    }

    const QStringList& violations() const { return violations_; }
    // The sample's value; NaN when the series is not there.
    double value(const QString& series) const { return values_.value(series, qQNaN()); }
    int sampleCount() const { return int(values_.size()); }

private:
    void read(const QString& line, int number) {
        static const QRegularExpression comment(
            QStringLiteral("^# (HELP|TYPE) ([a-zA-Z_:][a-zA-Z0-9_:]*) (.+)$"));
        static const QRegularExpression sample(
            QStringLiteral("^([a-zA-Z_:][a-zA-Z0-9_:]*)(\\{((?:[a-zA-Z_][a-zA-Z0-9_]*=\"(?:[^"
                           "\"\\\\\\n]|\\\\[\\\\\"n])*\",?)*)\\})? "
                           "([^ ]+)( -?[0-9]+)?$"));
        const auto fault = [&](const QString& what) {
            violations_ << QStringLiteral("line %1: %2: %3").arg(number).arg(what, line);
        };
        if (line.isEmpty())
            return;
        if (line.startsWith(QLatin1Char('#'))) {
            const QRegularExpressionMatch match = comment.match(line);
            if (!match.hasMatch())
                return fault(QStringLiteral("not a HELP or TYPE line"));
            const QString name = match.captured(2);
            const QString key = match.captured(1) + QLatin1Char(' ') + name;
            if (seenComments_.contains(key))
                fault(QStringLiteral("a second ") + match.captured(1));
            seenComments_.insert(key);
            if (match.captured(1) == QLatin1String("TYPE") &&
                match.captured(3) != QLatin1String("gauge") &&
                match.captured(3) != QLatin1String("counter"))
                fault(QStringLiteral("unexpected type"));
            if (finishedFamilies_.contains(name) ||
                (match.captured(1) == QLatin1String("TYPE") && sampled_.contains(name)))
                fault(QStringLiteral("comes after the family's samples"));
            enter(name);
            return;
        }
        const QRegularExpressionMatch match = sample.match(line);
        if (!match.hasMatch())
            return fault(QStringLiteral("not a sample"));
        const QString name = match.captured(1);
        if (name != current_ && finishedFamilies_.contains(name))
            fault(QStringLiteral("the family's samples are not together"));
        enter(name);
        sampled_.insert(name);
        if (!seenComments_.contains(QStringLiteral("TYPE ") + name))
            fault(QStringLiteral("a sample without its TYPE"));
        bool number_ = false;
        const double value = match.captured(4).toDouble(&number_);
        if (!number_)
            fault(QStringLiteral("the value is not a number"));
        const QString series = name + QLatin1Char('{') + match.captured(3) + QLatin1Char('}');
        if (values_.contains(series))
            fault(QStringLiteral("a second sample of the series"));
        values_.insert(series, value);
    }
    void enter(const QString& name) {
        if (name != current_ && !current_.isEmpty())
            finishedFamilies_.insert(current_);
        current_ = name;
    }

    QStringList violations_;
    QHash<QString, double> values_;
    QSet<QString> seenComments_;
    QSet<QString> sampled_;
    QSet<QString> finishedFamilies_;
    QString current_;
};

} // namespace tavor::test
