# Addresses a deployment may set when it builds the programs. The bureau's site is reached over
# https. The update server and the product's home page are names only a deployment can give:
# left empty (a build for a package), the daily version check and the layout update are off,
# updates come with the package, and no web site is offered or sent in the User-Agent.
#
# A test build keeps plain-http roots and names an update server and a home page: the tests
# reach them through scripted plain-HTTP servers acting as the proxy (the https and ftp
# transports have tests of their own with real TLS and FTP peers), and no request leaves them.
if(NIMBULO_TESTS)
  set(_bureau_root "http://www.bom.gov.au/")
  set(_update_root "http://nimbulo.example/")
  set(_home_page "http://nimbulo.example/")
else()
  set(_bureau_root "https://reg.bom.gov.au/")
  set(_update_root "")
  set(_home_page "")
endif()
set(NIMBULO_BUREAU_ROOT "${_bureau_root}" CACHE STRING
    "Root address of the bureau's web server; every page path of the layout file is relative to it")
set(NIMBULO_UPDATE_ROOT "${_update_root}" CACHE STRING
    "Root address of the update server, which serves freeload/wthrvers.txt and freeload/weather.ini; empty: updates come with the package")
set(NIMBULO_HOME_PAGE "${_home_page}" CACHE STRING
    "The product's home page, opened from the about windows and the update message; empty: none")

# The desktop entry's id (its file name without ".desktop", also the AppStream component id): the
# programs name their windows by it (the Wayland app_id), so the desktop matches them to it.
set(NIMBULO_APP_ID "au.nimbulo.Nimbulo" CACHE STRING
    "AppStream component id; also the name of the desktop entry")
