#pragma once

#include <QString>
#include <vector>

namespace tavor {

struct CabinetFileEntry {
    QString sourcePath;
    // The name inside the cabinet; empty takes the source file's own name.
    QString name;
};

// The files the next compress call packs.
class CabinetFileList {
public:
    void add(const QString& sourcePath, const QString& name) {
        entries_.push_back({sourcePath, name});
    }
    void clear() { entries_.clear(); }
    const std::vector<CabinetFileEntry>& entries() const { return entries_; }

private:
    std::vector<CabinetFileEntry> entries_;
};

} // namespace tavor
