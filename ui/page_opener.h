#pragma once
// Opens the web site's pages from the menu and the window's slots.
#include <QString>

#include <functional>

namespace ui {

void OpenPage(const QString& url);

// Replaces the browser, e.g. with a recorder of addresses in tests; an empty
// function restores it.
void SetPageOpener(std::function<void(const QString&)> opener);

} // namespace ui
