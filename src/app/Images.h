#pragma once
// The window's named pictures: the desktop's icon theme where it has a fitting one, else our own.

#include <QIcon>
#include <QString>

QIcon NamedImage(const QString& name);
