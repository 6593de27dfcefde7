#include "ui/page_opener.h"

#include "platform/open_page.h"

namespace ui {

namespace {

std::function<void(const QString&)>& opener()
{
    static std::function<void(const QString&)> o;
    return o;
}

} // namespace

void OpenPage(const QString& url)
{
    if (opener())
        opener()(url);
    else
        platform::openPage(url.toStdString()); // a failure shows nothing, as a dead link would
}

void SetPageOpener(std::function<void(const QString&)> o) { opener() = std::move(o); }

} // namespace ui
