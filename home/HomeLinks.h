#pragma once

class CLinkStatic;

// The program's own links: the home page given at build time, or the installed help
// page where the build names none. Web addresses and the program's own file are
// opened by different rules (CLinkStatic), so the choice is made here once.
namespace links {

bool openHomePage();
void pointAtHomePage(CLinkStatic *link);
void pointAtHelpPage(CLinkStatic *link);

} // namespace links
