#include "support/ScriptedTdsPeer.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

enum PacketType : uint8_t {
    SqlBatch = 0x01,
    Rpc = 0x03,
    TabularResult = 0x04,
    Attention = 0x06,
    Login7 = 0x10,
    PreLogin = 0x12,
};

enum DoneStatus : uint16_t {
    DoneFinal = 0x0000,
    DoneMore = 0x0001,
    DoneError = 0x0002,
    DoneCount = 0x0010,
    DoneAttention = 0x0020,
};

constexpr int PacketSize = 4096;
constexpr int HeaderSize = 8;

void appendU8(QByteArray& out, uint8_t value) {
    out.append(static_cast<char>(value));
}

void appendU16(QByteArray& out, uint16_t value) {
    appendU8(out, value & 0xff);
    appendU8(out, value >> 8);
}

void appendU32(QByteArray& out, uint32_t value) {
    appendU16(out, value & 0xffff);
    appendU16(out, value >> 16);
}

void appendU64(QByteArray& out, uint64_t value) {
    appendU32(out, value & 0xffffffffu);
    appendU32(out, value >> 32);
}

QByteArray utf16(const QString& text) {
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

void appendByteText(QByteArray& out, const QString& text) {
    appendU8(out, static_cast<uint8_t>(text.size()));
    out.append(utf16(text));
}

void appendShortText(QByteArray& out, const QString& text) {
    appendU16(out, static_cast<uint16_t>(text.size()));
    out.append(utf16(text));
}

QByteArray token(uint8_t type, const QByteArray& body) {
    QByteArray out;
    appendU8(out, type);
    appendU16(out, static_cast<uint16_t>(body.size()));
    return out + body;
}

QByteArray doneToken(uint16_t status, uint64_t rows = 0) {
    QByteArray out;
    appendU8(out, 0xFD);
    appendU16(out, status);
    appendU16(out, 0xC1);
    appendU64(out, rows);
    return out;
}

// ERROR (0xAA) and INFO (0xAB) tokens share one layout.
QByteArray messageToken(uint8_t type, int32_t number, uint8_t severity, const QString& text) {
    QByteArray body;
    appendU32(body, static_cast<uint32_t>(number));
    appendU8(body, 1);
    appendU8(body, severity);
    appendShortText(body, text);
    appendByteText(body, QStringLiteral("PEER"));
    appendByteText(body, QString());
    appendU32(body, 1);
    return token(type, body);
}

QByteArray errorToken(int32_t number, const QString& text) {
    return messageToken(0xAA, number, 16, text);
}

QByteArray infoToken(int32_t number, const QString& text) {
    return messageToken(0xAB, number, 0, text);
}

QByteArray databaseChange(const QString& database) {
    QByteArray body;
    appendU8(body, 1);
    appendByteText(body, database);
    appendByteText(body, QStringLiteral("master"));
    return token(0xE3, body);
}

QByteArray loginAck() {
    QByteArray body;
    appendU8(body, 1);
    body.append("\x74\x00\x00\x04", 4);
    appendByteText(body, QStringLiteral("Microsoft SQL Server"));
    body.append("\x10\x00\x07\xD0", 4);
    return token(0xAD, body);
}

// Column metadata of nullable nvarchar(4000) columns.
QByteArray nvarcharColumns(const QStringList& names) {
    QByteArray out;
    appendU8(out, 0x81);
    appendU16(out, static_cast<uint16_t>(names.size()));
    for (const QString& name : names) {
        appendU32(out, 0);
        appendU16(out, 0x0001);
        appendU8(out, 0xE7);
        appendU16(out, 8000);
        out.append("\x09\x04\xD0\x00\x34", 5);
        appendByteText(out, name);
    }
    return out;
}

QByteArray nvarcharColumn() {
    return nvarcharColumns({QStringLiteral("value")});
}

// A row of such columns; a null string is SQL NULL.
QByteArray nvarcharRow(const QStringList& values) {
    QByteArray out;
    appendU8(out, 0xD1);
    for (const QString& value : values) {
        appendU16(out, value.isNull() ? 0xFFFF : static_cast<uint16_t>(value.size() * 2));
        out.append(utf16(value));
    }
    return out;
}

QByteArray nvarcharRow(const QString& value) {
    return nvarcharRow(QStringList{value});
}

uint16_t u16At(const QByteArray& data, qsizetype offset) {
    return static_cast<uint8_t>(data[offset]) | static_cast<uint8_t>(data[offset + 1]) << 8;
}

QString loginText(const QByteArray& login, qsizetype field, bool obfuscated = false) {
    const uint16_t offset = u16At(login, field);
    const uint16_t characters = u16At(login, field + 2);
    QByteArray bytes = login.mid(offset, characters * 2);
    if (obfuscated) {
        for (char& c : bytes) {
            const auto b = static_cast<uint8_t>(static_cast<uint8_t>(c) ^ 0xA5);
            c = static_cast<char>(static_cast<uint8_t>((b >> 4) | (b << 4)));
        }
    }
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                              bytes.size() / 2);
}

bool waitReadable(int fd, const std::atomic<bool>& stopping) {
    while (!stopping) {
        pollfd entry{fd, POLLIN, 0};
        const int ready = poll(&entry, 1, 50);
        if (ready > 0) {
            return true;
        }
        if (ready < 0) {
            return false;
        }
    }
    return false;
}

bool readExactly(int fd, char* data, size_t size, const std::atomic<bool>& stopping) {
    size_t done = 0;
    while (done < size) {
        if (!waitReadable(fd, stopping)) {
            return false;
        }
        const ssize_t got = ::recv(fd, data + done, size - done, 0);
        if (got <= 0) {
            return false;
        }
        done += static_cast<size_t>(got);
    }
    return true;
}

} // namespace

ScriptedTdsPeer::Reply ScriptedTdsPeer::Reply::done() {
    return {doneToken(DoneFinal)};
}

ScriptedTdsPeer::Reply ScriptedTdsPeer::Reply::scalar(const QString& value) {
    return {nvarcharColumn() + nvarcharRow(value) + doneToken(DoneCount, 1)};
}

QString ScriptedTdsPeer::batchText(const QByteArray& payload) {
    quint32 headers = 0;
    if (payload.size() < 4)
        return {};
    std::memcpy(&headers, payload.constData(), sizeof headers);
    const QByteArray text = payload.mid(qsizetype(headers));
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(text.constData()), text.size() / 2);
}

ScriptedTdsPeer::Reply ScriptedTdsPeer::Reply::table(const QStringList& columns,
                                                     const QList<QStringList>& rows) {
    QByteArray tokens = nvarcharColumns(columns);
    for (const QStringList& row : rows)
        tokens += nvarcharRow(row);
    return {tokens + doneToken(DoneCount, uint64_t(rows.size()))};
}

ScriptedTdsPeer::Reply ScriptedTdsPeer::Reply::noRows() {
    return {nvarcharColumn() + doneToken(DoneCount, 0)};
}

ScriptedTdsPeer::Reply ScriptedTdsPeer::Reply::error(int32_t number, const QString& message) {
    return {errorToken(number, message) + doneToken(DoneError)};
}

ScriptedTdsPeer::Reply ScriptedTdsPeer::Reply::silence() {
    Reply reply;
    reply.waitForAttention = true;
    return reply;
}

ScriptedTdsPeer::Reply ScriptedTdsPeer::Reply::delayed(std::chrono::milliseconds delay,
                                                       const QString& value) {
    Reply reply = scalar(value);
    reply.delay = delay;
    return reply;
}

ScriptedTdsPeer::Reply ScriptedTdsPeer::Reply::backupLike(int progressMessages,
                                                          int32_t failureNumber) {
    QByteArray tokens;
    for (int i = 1; i <= progressMessages; ++i) {
        tokens += infoToken(3211, QStringLiteral("%1 percent processed.").arg(i * 10));
        tokens += doneToken(DoneMore);
    }
    if (failureNumber != 0) {
        tokens += errorToken(failureNumber,
                             QStringLiteral("Cannot open backup device 'X:\\nowhere\\x.bak'."));
        tokens += errorToken(3013, QStringLiteral("BACKUP DATABASE is terminating abnormally."));
        tokens += doneToken(DoneError);
    } else {
        tokens += infoToken(3014, QStringLiteral("BACKUP DATABASE successfully processed."));
        tokens += doneToken(DoneFinal);
    }
    return {tokens};
}

ScriptedTdsPeer::ScriptedTdsPeer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("the scripted peer cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

ScriptedTdsPeer::~ScriptedTdsPeer() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

void ScriptedTdsPeer::requireLogin(const QString& user, const QString& password) {
    std::lock_guard lock(mutex_);
    loginRequired_ = true;
    expectedUser_ = user;
    expectedPassword_ = password;
}

void ScriptedTdsPeer::script(const QString& pattern, const Reply& reply) {
    std::lock_guard lock(mutex_);
    script_.append({utf16(pattern), reply});
}

ScriptedTdsPeer::Login ScriptedTdsPeer::lastLogin() const {
    std::lock_guard lock(mutex_);
    return lastLogin_;
}

QList<QByteArray> ScriptedTdsPeer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void ScriptedTdsPeer::scriptOnce(const QString& pattern, const Reply& reply) {
    std::lock_guard lock(mutex_);
    once_.append({utf16(pattern), reply});
}

ScriptedTdsPeer::Reply ScriptedTdsPeer::replyFor(const QByteArray& request) {
    std::lock_guard lock(mutex_);
    for (qsizetype i = 0; i < once_.size(); ++i) {
        if (request.contains(once_.at(i).first))
            return once_.takeAt(i).second;
    }
    for (const auto& [pattern, reply] : script_) {
        if (request.contains(pattern)) {
            return reply;
        }
    }
    return Reply::done();
}

void ScriptedTdsPeer::serve() {
    while (waitReadable(listener_, stopping_)) {
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client >= 0) {
            serveClient(client);
            ::close(client);
        }
    }
}

bool ScriptedTdsPeer::readMessage(int client, uint8_t& type, QByteArray& payload) {
    payload.clear();
    for (;;) {
        char header[HeaderSize];
        if (!readExactly(client, header, HeaderSize, stopping_)) {
            return false;
        }
        type = static_cast<uint8_t>(header[0]);
        const int length = static_cast<uint8_t>(header[2]) << 8 | static_cast<uint8_t>(header[3]);
        QByteArray body(length - HeaderSize, Qt::Uninitialized);
        if (length < HeaderSize || !readExactly(client, body.data(), body.size(), stopping_)) {
            return false;
        }
        payload += body;
        if (header[1] & 0x01) {
            return true;
        }
    }
}

bool ScriptedTdsPeer::sendMessage(int client, uint8_t type, const QByteArray& payload) {
    qsizetype sent = 0;
    uint8_t packetNumber = 1;
    do {
        const qsizetype chunk = std::min<qsizetype>(PacketSize - HeaderSize, payload.size() - sent);
        const bool last = sent + chunk == payload.size();
        const int length = static_cast<int>(chunk) + HeaderSize;
        QByteArray packet;
        appendU8(packet, type);
        appendU8(packet, last ? 0x01 : 0x00);
        appendU8(packet, static_cast<uint8_t>(length >> 8));
        appendU8(packet, static_cast<uint8_t>(length & 0xff));
        appendU16(packet, 0);
        appendU8(packet, packetNumber++);
        appendU8(packet, 0);
        packet += payload.mid(sent, chunk);
        if (::send(client, packet.constData(), packet.size(), MSG_NOSIGNAL) != packet.size()) {
            return false;
        }
        sent += chunk;
    } while (sent < payload.size());
    return true;
}

bool ScriptedTdsPeer::answerLogin(int client, const QByteArray& login) {
    Login received{loginText(login, 40), loginText(login, 44, true), loginText(login, 68)};
    bool accepted = true;
    {
        std::lock_guard lock(mutex_);
        lastLogin_ = received;
        accepted = !loginRequired_ ||
                   (received.user == expectedUser_ && received.password == expectedPassword_);
    }
    if (!accepted) {
        sendMessage(
            client, TabularResult,
            errorToken(18456, QStringLiteral("Login failed for user '%1'.").arg(received.user)) +
                doneToken(DoneError));
        return false;
    }
    const QString database =
        received.database.isEmpty() ? QStringLiteral("master") : received.database;
    return sendMessage(
        client, TabularResult,
        databaseChange(database) +
            infoToken(5701, QStringLiteral("Changed database context to '%1'.").arg(database)) +
            loginAck() + doneToken(DoneFinal));
}

void ScriptedTdsPeer::serveClient(int client) {
    uint8_t type = 0;
    QByteArray payload;
    while (readMessage(client, type, payload)) {
        switch (type) {
        case PreLogin: {
            if (ignoreHandshakes_) {
                break;
            }
            // VERSION and ENCRYPTION (not supported), then the terminator.
            QByteArray answer("\x00\x00\x0B\x00\x06\x01\x00\x11\x00\x01\xFF", 11);
            answer.append("\x10\x00\x07\xD0\x00\x00\x02", 7);
            if (!sendMessage(client, TabularResult, answer)) {
                return;
            }
            break;
        }
        case Login7:
            if (!answerLogin(client, payload)) {
                return;
            }
            break;
        case Attention:
            attention_ = true;
            if (!sendMessage(client, TabularResult, doneToken(DoneAttention))) {
                return;
            }
            break;
        case SqlBatch:
        case Rpc: {
            {
                std::lock_guard lock(mutex_);
                requests_.append(payload);
            }
            const Reply reply = replyFor(payload);
            if (reply.waitForAttention) {
                break;
            }
            for (auto waited = std::chrono::milliseconds(0); waited < reply.delay && !stopping_;
                 waited += std::chrono::milliseconds(20)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            if (!sendMessage(client, TabularResult, reply.tokens)) {
                return;
            }
            break;
        }
        default:
            sendMessage(client, TabularResult, doneToken(DoneFinal));
            break;
        }
    }
}
