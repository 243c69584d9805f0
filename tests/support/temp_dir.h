// TempDir: a scratch directory for one test, removed with everything in it afterwards.
#pragma once

#include <sys/types.h>

#include <set>
#include <string>

namespace kvr::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Makes the directory the working directory until destroyed, then goes back.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& path);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    std::string previous_;
};

bool fileExists(const std::string& path);
// The names in a directory: a save that left a temporary file behind shows here.
std::set<std::string> entriesOf(const std::string& directory);
// The file's inode number, 0 when there is none: a new one tells that a save replaced the file.
ino_t inodeOf(const std::string& path);
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

}  // namespace kvr::test
