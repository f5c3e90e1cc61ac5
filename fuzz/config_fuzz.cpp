// The configuration file reader: any file content is read without a fault,
// and the values it leaves are within what their consumers accept.
#include <cstdint>
#include <string>

#include "core/config.h"
#include "fuzz_support.h"

using namespace tarrock;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::startEngine();
  ResetConfiguration();
  // The reader reads bytes, NULs included.
  const std::string content(reinterpret_cast<const char*>(data), size < 65536 ? size : 65536);
  LoadConfiguration(fuzz::writeScratchFile(content));
  if (config.hash < 0) fuzz::fail("HASH read as %d", config.hash);
  if (config.egtbHashSize < 0) fuzz::fail("EGTB_HASH_SIZE read as %d", config.egtbHashSize);
  PrintConfiguration();
  ResetConfiguration();
  return 0;
}
