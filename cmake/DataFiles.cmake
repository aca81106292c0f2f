# Creates the empty data files Tavix expects beside its executable, when missing.
if(NOT EXISTS "${DIR}/CloseURL.txt")
  file(WRITE "${DIR}/CloseURL.txt" "")
endif()
if(NOT EXISTS "${DIR}/WebList")
  file(MAKE_DIRECTORY "${DIR}/WebList")
endif()
