#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

// A minimal SQL Server on 127.0.0.1 that speaks just enough TDS 7.4 for the ODBC driver:
// it skips encryption, accepts or refuses the login, and answers each request with the
// reply scripted for the first pattern the request text contains.
class ScriptedTdsPeer {
public:
    // The token stream of one reply, and how the peer delivers it.
    struct Reply {
        QByteArray tokens;
        bool waitForAttention = false;      // never answers until the client cancels
        std::chrono::milliseconds delay{0}; // answers after this long

        static Reply done();
        static Reply scalar(const QString& value);
        static Reply noRows();
        // One result of nvarchar columns with these rows (a null string is NULL).
        static Reply table(const QStringList& columns, const QList<QStringList>& rows);
        static Reply error(int32_t number, const QString& message);
        static Reply silence();
        static Reply delayed(std::chrono::milliseconds delay, const QString& value);
        // Progress messages, each closing a result of its own, then either success or
        // the two errors a failed backup ends with.
        static Reply backupLike(int progressMessages, int32_t failureNumber = 0);
    };

    struct Login {
        QString user;
        QString password;
        QString database;
    };

    ScriptedTdsPeer();
    ~ScriptedTdsPeer();
    ScriptedTdsPeer(const ScriptedTdsPeer&) = delete;
    ScriptedTdsPeer& operator=(const ScriptedTdsPeer&) = delete;

    uint16_t port() const { return port_; }

    void requireLogin(const QString& user, const QString& password);
    // Accepts connections but never answers the handshake, like a hung server.
    void ignoreHandshakes() { ignoreHandshakes_ = true; }
    void script(const QString& pattern, const Reply& reply);
    // Answers the first request containing the pattern so, ahead of the script; later
    // ones as scripted.
    void scriptOnce(const QString& pattern, const Reply& reply);

    Login lastLogin() const;
    // Raw payloads of every request after the login, in arrival order.
    QList<QByteArray> requests() const;
    // The statement text of a SQL batch's payload: the UTF-16 text after its headers.
    static QString batchText(const QByteArray& payload);
    bool attentionReceived() const { return attention_; }

private:
    void serve();
    void serveClient(int client);
    bool readMessage(int client, uint8_t& type, QByteArray& payload);
    bool sendMessage(int client, uint8_t type, const QByteArray& payload);
    bool answerLogin(int client, const QByteArray& login);
    Reply replyFor(const QByteArray& request);

    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> attention_{false};
    std::atomic<bool> ignoreHandshakes_{false};
    mutable std::mutex mutex_;
    QString expectedUser_;
    QString expectedPassword_;
    bool loginRequired_ = false;
    QList<QPair<QByteArray, Reply>> script_;
    QList<QPair<QByteArray, Reply>> once_;
    Login lastLogin_;
    QList<QByteArray> requests_;
    std::thread thread_;
};
