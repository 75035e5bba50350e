// velt describe: the name and description of a result code, given as the
// log prints it (signed decimal first, then hexadecimal) or unsigned.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "Commands.h"
#include "velt/runtime/CAppLog.h"

namespace velt {
namespace cli {
namespace {

// 0x-prefixed hexadecimal, unsigned decimal, or negative decimal down to
// -2^31 (a 32-bit code read as signed). False for anything else.
bool ParseCode(const std::string& text, uint32_t& code) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const bool negative = !hex && !text.empty() && text[0] == '-';
  const std::string digits = text.substr(hex ? 2 : negative ? 1 : 0);
  if (digits.empty() || digits.size() > 16 ||
      digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") !=
          std::string::npos) {
    return false;
  }
  const unsigned long long magnitude = std::stoull(digits, nullptr, hex ? 16 : 10);
  if (magnitude > (negative ? 0x80000000ull : 0xFFFFFFFFull)) {
    return false;
  }
  code = static_cast<uint32_t>(negative ? 0 - magnitude : magnitude);
  return true;
}

}  // namespace

Command DefineDescribe(CLI::App& velt) {
  auto code = std::make_shared<std::string>();
  CLI::App* app = velt.add_subcommand(
      "describe", "print the name and description of a result code");
  app->add_option("CODE", *code,
                  "the code as the log or velt prints it: hexadecimal (0xFEB0000C), signed "
                  "decimal (-22020084) or unsigned decimal (4272947212)")
      ->required()
      ->type_name("");
  app->footer("Example: velt describe 0xFEB0000C");
  return {app, [code] {
            uint32_t value = 0;
            if (!ParseCode(*code, value)) {
              return UsageError("describe: '" + *code +
                                "' is not a 32-bit result code; give it as 0xFEB0000C, "
                                "-22020084 or 4272947212");
            }
            std::printf("%s\n", CAppLog::DescribeCode(value).c_str());
            return kExitSuccess;
          }};
}

}  // namespace cli
}  // namespace velt
