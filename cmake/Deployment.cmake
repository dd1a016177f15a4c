# Addresses a deployment may set when it builds the programs.
set(NIMBULO_BUREAU_ROOT "http://www.bom.gov.au/" CACHE STRING
    "Root address of the bureau's web server; every page path of the layout file is relative to it")
set(NIMBULO_UPDATE_ROOT "http://nimbulo.example/" CACHE STRING
    "Root address of the update server, which serves freeload/wthrvers.txt and freeload/weather.ini")
set(NIMBULO_HOME_PAGE "http://nimbulo.example/" CACHE STRING
    "The product's home page, opened from the about windows and the update message")
