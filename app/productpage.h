#pragma once

#include <QUrl>
#include <functional>

// The project's page is the README built into the program. A browser cannot read it from there,
// so this writes a copy into the cache folder and gives the copy's address. A copy that cannot
// be written is no error here: the address is given all the same.
QUrl ProductPageCopy();

// Hands the copy's address to `opener`, or to the desktop when there is none. A browser that does
// not start is no error here.
void OpenProductPage(const std::function<void(const QUrl &)> &opener);
