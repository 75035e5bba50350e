#include "Arguments.h"

namespace velt {
namespace cli {

Arguments::Arguments(int argc, char** argv, const std::set<std::string>& valued,
                     const std::set<std::string>& flags) {
  for (int i = 0; i < argc && m_error.empty(); ++i) {
    std::string word = argv[i];
    if (word.size() < 3 || word.compare(0, 2, "--") != 0) {
      m_positional.push_back(word);
      continue;
    }
    std::string name = word.substr(2);
    std::string value;
    bool inlineValue = false;
    const std::size_t equals = name.find('=');
    if (equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.erase(equals);
      inlineValue = true;
    }
    if (flags.count(name) != 0 && !inlineValue) {
      m_values.emplace(name, "");
    } else if (valued.count(name) != 0) {
      if (!inlineValue) {
        if (i + 1 >= argc) {
          m_error = "option --" + name + " needs a value";
          break;
        }
        value = argv[++i];
      }
      m_values.emplace(name, value);
    } else {
      m_error = "unknown option --" + name;
    }
  }
}

bool Arguments::Has(const std::string& name) const { return m_values.count(name) != 0; }

std::string Arguments::Get(const std::string& name, const std::string& fallback) const {
  auto range = m_values.equal_range(name);
  if (range.first == range.second) {
    return fallback;
  }
  auto last = range.second;
  return (--last)->second;
}

std::vector<std::string> Arguments::GetAll(const std::string& name) const {
  std::vector<std::string> values;
  auto range = m_values.equal_range(name);
  for (auto it = range.first; it != range.second; ++it) {
    values.push_back(it->second);
  }
  return values;
}

}  // namespace cli
}  // namespace velt
