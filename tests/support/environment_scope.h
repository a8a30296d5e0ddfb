// Changes environment variables for the life of a scope: each variable gets
// its earlier value (or its absence) back when the scope ends.
#pragma once

#include <optional>
#include <string>
#include <vector>

class EnvironmentScope {
 public:
  EnvironmentScope() = default;
  ~EnvironmentScope();
  EnvironmentScope(const EnvironmentScope&) = delete;
  EnvironmentScope& operator=(const EnvironmentScope&) = delete;

  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);
  // Sets `name` to `value`, or unsets it when `value` is empty.
  void SetOrUnset(const std::string& name, const std::string& value);

 private:
  void Remember(const std::string& name);
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};
