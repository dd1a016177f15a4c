#pragma once

#include <QString>

namespace common {

// Addresses fixed when the programs are built (CMake cache variables). A build for a package
// names none: updates then come with the package and no web site is offered.

// The product's web site; empty when the build names none.
QString homePage();

// The update server's root ("https://host/"), which serves freeload/wthrvers.txt and
// freeload/weather.ini; empty when the build names none.
QString updateRoot();

// The daily version check and the layout update can run: the build names an update server.
bool updatesFromServer();

// What the about window and the options say when updatesFromServer() is false.
QString updatesWithPackageText();

// This program's version, major.minor.revision.
QString programVersion();

} // namespace common
