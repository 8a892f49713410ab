#include "runtime/error.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace tw::runtime {
namespace {

TEST(Error, ClassicNumbersCarryTheirDescriptionsAndTheProjectAsSource) {
  const std::pair<long, const char*> cases[] = {
      {5, "Invalid procedure call or argument"},
      {6, "Overflow"},
      {9, "Subscript out of range"},
      {13, "Type mismatch"},
      {53, "File not found"},
      {58, "File already exists"},
      {70, "Permission denied"},
      {75, "Path/File access error"},
      {76, "Path not found"},
      {91, "Object variable or With block variable not set"},
      {457, "This key is already associated with an element of this collection"},
      {1234, "Application-defined or object-defined error"},
  };
  for (const auto& [number, description] : cases) {
    Error error = Error::fromNumber(number);
    EXPECT_EQ(error.number(), number);
    EXPECT_EQ(error.description(), description);
    EXPECT_STREQ(error.what(), description);
    EXPECT_EQ(error.source(), "Tallyweave");
  }
  EXPECT_EQ(Error::fromNumber(53, "Word").source(), "Word");
}

Error caught(void (*thrower)()) {
  try {
    thrower();
  } catch (...) {
    return currentError();
  }
  return Error(0, "nothing thrown");
}

TEST(CurrentError, EveryExceptionBecomesAnError) {
  Error own = caught([] { throw Error(1004, "Eigen fout", "Word"); });
  EXPECT_EQ(own.number(), 1004);
  EXPECT_EQ(own.description(), "Eigen fout");
  EXPECT_EQ(own.source(), "Word");

  Error standard = caught([] { throw std::runtime_error("disk on fire"); });
  EXPECT_EQ(standard.number(), kInternalError);
  EXPECT_EQ(standard.description(), "disk on fire");

  EXPECT_EQ(caught([] { throw std::bad_alloc(); }).number(), kOutOfMemory);
  EXPECT_EQ(caught([] { throw 42; }).number(), kInternalError);
}

TEST(ResumeNext, HandsTheFailureOnAndGoesOn) {
  std::vector<std::string> log;
  for (int step = 0; step < 3; ++step) {
    resumeNext(
        [&] {
          if (step == 1) throw Error::fromNumber(kFileNotFound);
          log.push_back("step " + std::to_string(step));
        },
        [&](const Error& error) { log.push_back("error " + std::to_string(error.number())); });
  }
  resumeNext([] { throw std::runtime_error("ignored"); });
  EXPECT_EQ(log, (std::vector<std::string>{"step 0", "error 53", "step 2"}));
}

TEST(ObjectRef, EmptyReferenceIsError91) {
  EXPECT_EQ(caught([] { objectRef(std::shared_ptr<int>()); }).number(), kObjectVariableNotSet);
  auto value = std::make_shared<int>(7);
  EXPECT_EQ(&objectRef(value), value.get());
}

}  // namespace
}  // namespace tw::runtime
