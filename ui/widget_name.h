#pragma once

#include <QString>

namespace clickwisp {

// Gives a new widget its designer name as objectName(), by which tests find
// it, and returns it.
template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace clickwisp
