# Two ways to install. By default `cmake --install` fills one program folder (the prefix) with
# the programs and the files beside them: scripts/install.sh does so per user. With
# NIMBULO_SYSTEM_INSTALL the programs go to <prefix>/bin (the monitor as `nimbulo`, because
# Debian's weather-util owns /usr/bin/weather) and the shipped files to <prefix>/share/nimbulo
# and the freedesktop folders: the layout of the Debian package (cmake/Package.cmake).
option(NIMBULO_SYSTEM_INSTALL "Install system-wide (bin/nimbulo, share/nimbulo): the package's layout" OFF)
include(GNUInstallDirs)
set(NIMBULO_SHIPPED_DIR "${CMAKE_INSTALL_DATADIR}/nimbulo")
# Where the programs find the shipped files, relative to their own folder (so the package
# carries no build or install path).
file(RELATIVE_PATH NIMBULO_SHIPPED_FROM_PROGRAMS "/p/${CMAKE_INSTALL_BINDIR}" "/p/${NIMBULO_SHIPPED_DIR}")
