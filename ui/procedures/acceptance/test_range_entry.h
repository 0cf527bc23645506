#pragma once

namespace tals {

class TTestDistances;
class TUserInput;

// The questions for the range of an error test: the start below the limit,
// the stop up to it, the offset from 1 to 1000 mm. Each is true when the
// operator gave a value and the steps took it.
bool AskTestStart(TUserInput &input, TTestDistances &steps, int limit);
bool AskTestStop(TUserInput &input, TTestDistances &steps, int limit);
bool AskTestOffset(TUserInput &input, TTestDistances &steps);

} // namespace tals
