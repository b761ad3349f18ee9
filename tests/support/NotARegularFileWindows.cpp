#include "support/NotARegularFile.h"

namespace nr::test {

std::filesystem::path MakeNotARegularFile(const std::filesystem::path&, const std::string&) { return "NUL"; }

}  // namespace nr::test
