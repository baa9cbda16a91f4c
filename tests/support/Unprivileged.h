#pragma once

#include <QString>
#include <QStringList>

namespace pictavo::test {

// Permission cases need a user that may not write where root may. When the
// tests run as root, this runs a copy of the current test binary as "nobody"
// (setpriv) with `arguments` and the environment variable `marker` set to
// `value`, and returns its exit code with its output in `output`. The copy,
// and the offscreen screen's configuration file, lie in a folder of their
// own that nobody may read. Returns -1 when that is not possible (not root,
// or no setpriv).
int runSelfAsNobody(const QStringList& arguments, const QString& marker, const QString& value,
                    QString* output);

// A fresh folder under /tmp that the user "nobody" can enter and read but not
// write, removed on destruction.
class SharedReadOnlyDir {
public:
    SharedReadOnlyDir();
    ~SharedReadOnlyDir();
    SharedReadOnlyDir(const SharedReadOnlyDir&) = delete;
    SharedReadOnlyDir& operator=(const SharedReadOnlyDir&) = delete;
    const QString& path() const { return m_path; }

    // Copies `file` in, readable by everyone (and runnable, when it is a
    // program), and returns the copy's path; "" when that failed. A program
    // run as "nobody" must take what it needs from here: the checkout and the
    // build folder may lie in a folder only their owner can enter.
    QString copyIn(const QString& file) const;

private:
    QString m_path;
};

}  // namespace pictavo::test
