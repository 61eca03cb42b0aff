#pragma once

// The windows keep their widgets private; tests find them by their designer
// names, which every widget carries as its objectName().

#include <QObject>
#include <QString>
#include <QWidget>

namespace clickwisp::test {

// The child of parent (at any depth) called name. A missing one ends the
// test program with its name, rather than a null pointer later.
template <typename T = QWidget> T* child(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s called %s", T::staticMetaObject.className(), name);
    return found;
}

} // namespace clickwisp::test
