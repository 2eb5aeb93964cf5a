// An environment variable put back as it was at the end of a scope.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace testing_support {

class ScopedVariable {
 public:
  // Keeps the variable's value, to be put back.
  explicit ScopedVariable(const char* name) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
  }
  // Sets the variable, or unsets it for nullptr, until the end of the scope.
  ScopedVariable(const char* name, const char* value) : ScopedVariable(name) {
    if (value != nullptr)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedVariable() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace testing_support
