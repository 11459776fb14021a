#pragma once

#include <QString>
#include <QUrl>

// Addresses the program opens or fetches, fixed at build time.
namespace links {

// The help page installed with the program (a local file).
QString helpPage();
// The maker's home page as given at build time; empty when the build names none.
QString homePage();

// Where the update descriptor is fetched from: QUILLORA_UPDATE_URL in the environment
// when set, else the address given at build time. Empty, or not http/https: no check.
QUrl updateDescriptor();
// An http or https address with a host: the only kind fetched or taken from the network.
bool isWebAddress(const QUrl &url);

} // namespace links
