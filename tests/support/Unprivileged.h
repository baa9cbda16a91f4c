#pragma once

#include <QString>
#include <QStringList>

namespace pictavo::test {

// Permission cases need a user that may not write where root may. When the
// tests run as root, this runs the current test binary again as "nobody"
// (setpriv) with `arguments` and the environment variable `marker` set to
// `value`, and returns its exit code with its output in `output`. Returns -1
// when that is not possible (not root, or no setpriv).
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

private:
    QString m_path;
};

}  // namespace pictavo::test
