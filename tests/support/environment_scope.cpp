#include "tests/support/environment_scope.h"

#include <cstdlib>

EnvironmentScope::~EnvironmentScope() {
  // Latest first, so the value from before the scope is what remains.
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
    if (it->second) {
      ::setenv(it->first.c_str(), it->second->c_str(), 1);
    } else {
      ::unsetenv(it->first.c_str());
    }
  }
}

void EnvironmentScope::Remember(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
}

void EnvironmentScope::Set(const std::string& name, const std::string& value) {
  Remember(name);
  ::setenv(name.c_str(), value.c_str(), 1);
}

void EnvironmentScope::Unset(const std::string& name) {
  Remember(name);
  ::unsetenv(name.c_str());
}

void EnvironmentScope::SetOrUnset(const std::string& name, const std::string& value) {
  value.empty() ? Unset(name) : Set(name, value);
}
