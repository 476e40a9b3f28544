// The engine's progress window as core code sees it: long operations (import
// of delimited text, loading and saving in-memory tables) create one through
// MakeEngineProgress and step it; the form layer installs the factory.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace kor2 {

// A bar of 100 steps with a text; closed when destroyed.
class EngineProgress {
public:
    virtual ~EngineProgress() = default;
    virtual void Step() = 0;
};
// Without a factory no window is shown.
using EngineProgressFactory = std::function<std::unique_ptr<EngineProgress>(const std::string&)>;
inline EngineProgressFactory MakeEngineProgress;

}  // namespace kor2
