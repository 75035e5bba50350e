// The options of one command: "--name value", "--name=value", "--flag" and
// positional words, checked against what the command accepts.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace velt {
namespace cli {

class Arguments {
 public:
  // `valued`: options that take a value; `flags`: options that do not.
  Arguments(int argc, char** argv, const std::set<std::string>& valued,
            const std::set<std::string>& flags);

  bool ok() const { return m_error.empty(); }
  const std::string& error() const { return m_error; }

  bool Has(const std::string& name) const;
  // The last value given for `name`, or `fallback`.
  std::string Get(const std::string& name, const std::string& fallback = "") const;
  // Every value given for a repeatable option, in order.
  std::vector<std::string> GetAll(const std::string& name) const;
  const std::vector<std::string>& positional() const { return m_positional; }

 private:
  std::multimap<std::string, std::string> m_values;
  std::vector<std::string> m_order;
  std::vector<std::string> m_positional;
  std::string m_error;
};

}  // namespace cli
}  // namespace velt
