# Values the module, the relay server and stored files share with the program.
# Override them with -D...=... when building for a real installation; the defaults
# only have to agree between the program and the simulated module.
set(MORVO3_LINK_KEY      "5A45484C4D6F72766F334C696E6B4B31" CACHE STRING "Link key, 16 bytes as 32 hex digits")
set(MORVO3_RELAY_KEY     "52656C61795365727665724B65793033" CACHE STRING "Relay key, 16 bytes as 32 hex digits")
set(MORVO3_SETTINGS_KEY  "53657474696E67734B65794D6F727633" CACHE STRING "Settings key, 16 bytes as 32 hex digits")
set(MORVO3_DATA_MASK     "0x5A" CACHE STRING "One-byte mask of data.dat")
set(MORVO3_DEFAULT_MODULE_PASSWORD "1234" CACHE STRING "Factory default module password (four digits)")
set(MORVO3_UPDATE_URL    "https://updates.zehl.example/download/updates/" CACHE STRING "Update server base URL")
mark_as_advanced(MORVO3_LINK_KEY MORVO3_RELAY_KEY MORVO3_SETTINGS_KEY MORVO3_DATA_MASK)

function(morvo3_hex_to_initializer hex out)
  string(LENGTH "${hex}" len)
  if(NOT len EQUAL 32)
    message(FATAL_ERROR "A key must be 32 hex digits")
  endif()
  set(items "")
  foreach(i RANGE 0 30 2)
    string(SUBSTRING "${hex}" ${i} 2 byte)
    list(APPEND items "0x${byte}")
  endforeach()
  string(REPLACE ";" ", " items "${items}")
  set(${out} "${items}" PARENT_SCOPE)
endfunction()

morvo3_hex_to_initializer("${MORVO3_LINK_KEY}" MORVO3_LINK_KEY_BYTES)
morvo3_hex_to_initializer("${MORVO3_RELAY_KEY}" MORVO3_RELAY_KEY_BYTES)
morvo3_hex_to_initializer("${MORVO3_SETTINGS_KEY}" MORVO3_SETTINGS_KEY_BYTES)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Morvo3Config.h.in ${CMAKE_BINARY_DIR}/generated/Morvo3Config.h @ONLY)
