#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <sys/types.h>

namespace tavor::test {

// A helper process (a message bus, a stand-in service) in a process group of its own,
// which ends with this object: the whole group is killed and its leader reaped, also
// when the test that started it fails half-way, so that nothing it spawned runs on.
class GroupedProcess {
public:
    GroupedProcess() = default;
    ~GroupedProcess() { stop(); }
    GroupedProcess(const GroupedProcess&) = delete;
    GroupedProcess& operator=(const GroupedProcess&) = delete;

    // False when the program could not be started.
    bool start(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());
    void stop();
    QProcess& process() { return process_; }

private:
    QProcess process_;
    pid_t group_ = 0;
};

} // namespace tavor::test
