# Writes the SHA-256 of HELPER into OUTPUT as the body of closedLidHelperSHA256().
file(SHA256 "${HELPER}" digest)
set(content "#include \"closedlid/ClosedLidHelperDigest.h\"\n\nstd::string_view corvane::closedLidHelperSHA256() { return \"${digest}\"; }\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL content)
  file(WRITE "${OUTPUT}" "${content}")
endif()
