#include "home/HomeLinks.h"

#include "home/ProgramLinks.h"
#include "ui/LinkStatic.h"

namespace links {

bool openHomePage()
{
    const QString address = homePage();
    return address.isEmpty() ? CLinkStatic::openOwnFile(helpPage()) : CLinkStatic::openAddress(address);
}

void pointAtHomePage(CLinkStatic *link)
{
    const QString address = homePage();
    if (address.isEmpty())
        pointAtHelpPage(link);
    else
        link->SetLink(address, true, QColor(0, 0, 255), QColor(160, 0, 160), QColor(0, 102, 0));
}

void pointAtHelpPage(CLinkStatic *link)
{
    link->SetOwnFile(helpPage(), true, QColor(0, 0, 255), QColor(160, 0, 160), QColor(0, 102, 0));
}

} // namespace links
