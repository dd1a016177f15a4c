#pragma once

#include <QString>

namespace common {

// The product's web site, fixed when the programs are built.
QString homePage();

} // namespace common
