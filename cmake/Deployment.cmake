# Addresses a deployment may set when it builds the programs. The bureau's site and the update
# server are reached over https; a test build keeps plain-http roots, because the tests reach
# them through scripted plain-HTTP servers acting as the proxy (the https and ftp transports
# have tests of their own with real TLS and FTP peers).
if(NIMBULO_TESTS)
  set(_bureau_root "http://www.bom.gov.au/")
  set(_update_root "http://nimbulo.example/")
else()
  set(_bureau_root "https://reg.bom.gov.au/")
  set(_update_root "https://nimbulo.example/")
endif()
set(NIMBULO_BUREAU_ROOT "${_bureau_root}" CACHE STRING
    "Root address of the bureau's web server; every page path of the layout file is relative to it")
set(NIMBULO_UPDATE_ROOT "${_update_root}" CACHE STRING
    "Root address of the update server, which serves freeload/wthrvers.txt and freeload/weather.ini")
set(NIMBULO_HOME_PAGE "http://nimbulo.example/" CACHE STRING
    "The product's home page, opened from the about windows and the update message")
