#include "qor/command_filter.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "qor/log.h"
#include "qor/seams/process_calls.h"
#include "test_support.h"

namespace qor {
namespace {

using test_support::Bytes;
using test_support::bytesOf;
using test_support::bytesOrEmpty;
using test_support::CaseName;
using test_support::randomBytes;
using test_support::runTool;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

ShellArguments shell(std::string commandLine) { return {"/bin/sh", "-c", std::move(commandLine)}; }

std::size_t openDescriptorCount() {
  const auto folder = std::filesystem::path("/proc/self/fd");
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                std::filesystem::directory_iterator()));
}

// True when every child of this process has been waited for.
bool noChildrenLeft() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

enum class Call { Pipe, Fork, Execute };

// Counts the calls and makes the `failingOccurrence`-th call of `failing`
// fail (1 is the first; 0 never). The other calls are real.
class CountingProcessCalls : public ProcessCalls {
 public:
  CountingProcessCalls() = default;
  CountingProcessCalls(Call failing, int failingOccurrence)
      : failing_(failing), failingOccurrence_(failingOccurrence) {}

  int makePipe(std::array<int, 2>& descriptors) override {
    if (fails(Call::Pipe)) return failWith(EMFILE);
    return ProcessCalls::makePipe(descriptors);
  }
  pid_t forkProcess() override {
    if (fails(Call::Fork)) return failWith(EAGAIN);
    return ProcessCalls::forkProcess();
  }
  int executeProgram(const char* file, char* const arguments[]) override {
    if (fails(Call::Execute)) return failWith(ENOENT);
    return ProcessCalls::executeProgram(file, arguments);
  }
  int count(Call call) const { return counts_.count(call) ? counts_.at(call) : 0; }

 private:
  bool fails(Call call) { return ++counts_[call] == failingOccurrence_ && call == failing_; }
  static int failWith(int error) {
    errno = error;
    return -1;
  }
  Call failing_ = Call::Pipe;
  int failingOccurrence_ = 0;
  std::map<Call, int> counts_;
};

struct KeyName {
  std::string operator()(const ::testing::TestParamInfo<std::string>& testCase) const {
    return "Key" + std::to_string(testCase.index);
  }
};

// --- filterDataWithArguments -------------------------------------------------

struct CatCase {
  const char* name;
  std::size_t size;
  std::vector<std::size_t> reads;  // what each read of up to 4096 bytes yields
  friend void PrintTo(const CatCase& c, std::ostream* out) { *out << c.name; }
};

class FilterThroughCatTest : public ::testing::TestWithParam<CatCase> {
 protected:
  void TearDown() override { EXPECT_TRUE(noChildrenLeft()); }
};

TEST_P(FilterThroughCatTest, ReturnsTheDataAndLogsEachRead) {
  const Bytes content = randomBytes(GetParam().size, 1);
  LogCapture capture;
  const DataRef result = filterDataWithArguments(Data::make(content), shell("/bin/cat"));
  EXPECT_EQ(bytesOrEmpty(result), content);

  const std::vector<std::string> lines = capture.lines();
  ASSERT_GE(lines.size(), 3u);
  const std::string pidPrefix = "filterDataWithArguments 2:\tpid: ";
  ASSERT_EQ(lines[2].rfind(pidPrefix, 0), 0u) << lines[2];
  const std::string pid = lines[2].substr(pidPrefix.size());
  const std::string beforeReceiving =
      "\tbefore receiving\t" + pid + "\t" + std::to_string(getpid());
  std::vector<std::string> expected = {
      "filterDataWithArguments 0:",
      "filterDataWithArguments 1:\t\toriginal data length: " + std::to_string(content.size()),
      lines[2]};
  std::size_t total = 0;
  for (const std::size_t read : GetParam().reads) {
    expected.push_back(beforeReceiving);
    if (read == 0) break;
    total += read;
    expected.push_back("\tgot: " + std::to_string(read) + "\t(" + std::to_string(total) + ")");
  }
  expected.push_back("\treceived: " + std::to_string(total));
  expected.push_back("filterDataWithArguments 3:\t\tgot: " + std::to_string(total));
  EXPECT_THAT(lines, ElementsAreArray(expected));
}

// A full read of 4096 asks for more; a short one (or none) ends the output.
INSTANTIATE_TEST_SUITE_P(
    Sizes, FilterThroughCatTest,
    ::testing::Values(CatCase{"OneByte", 1, {1}}, CatCase{"ExactlyOneRead", 4096, {4096, 0}},
                      // 10000 = 4096 + 4096 + 1808.
                      CatCase{"TwoFullReadsAndAShortOne", 10000, {4096, 4096, 1808}}),
    CaseName());

TEST(Filter, EmptyOutputIsNull) {
  LogCapture capture;
  EXPECT_FALSE(filterDataWithArguments(Data::make({}), shell("/bin/cat")));
  EXPECT_THAT(capture.lines(), Contains("filterDataWithArguments 3:\t\tgot: 0"));
  EXPECT_FALSE(filterDataWithArguments(Data::make(bytesOf("ignored")), shell("true")));
  EXPECT_TRUE(noChildrenLeft());
}

TEST(Filter, NullDataStartsNoProcess) {
  CountingProcessCalls calls;
  LogCapture capture;
  EXPECT_FALSE(filterDataWithArguments(nullptr, shell("/bin/cat"), calls));
  EXPECT_THAT(capture.lines(), ElementsAre("filterDataWithArguments 0:"));
  EXPECT_EQ(calls.count(Call::Pipe), 0);
  EXPECT_EQ(calls.count(Call::Fork), 0);
}

TEST(Filter, MegabytesPassWhetherOrNotTheCommandReads) {
  // Far beyond a pipe's 64 KiB: the writer process has to feed the command
  // while the caller reads, and must not hang when the command never reads.
  const DataRef data = Data::make(randomBytes(4 << 20, 2));
  EXPECT_EQ(bytesOrEmpty(filterDataWithArguments(data, shell("/bin/cat"))), data->bytes());
  EXPECT_EQ(bytesOrEmpty(filterDataWithArguments(data, shell("echo done"))), bytesOf("done\n"));
  EXPECT_TRUE(noChildrenLeft());
}

TEST(Filter, WorksWithTheCallersStandardStreamsClosed) {
  // A caller started without standard input and output gets pipe ends
  // numbered 0 and 1; the command must still read and write the right ones.
  EXPECT_EXIT(
      {
        close(STDIN_FILENO);
        close(STDOUT_FILENO);
        const Bytes content = randomBytes(10000, 4);
        const DataRef result = filterDataWithArguments(Data::make(content), shell("/bin/cat"));
        _exit(result && result->bytes() == content ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

// --- injected failures -------------------------------------------------------

struct FailureCase {
  const char* name;
  Call failing;
  int occurrence;
  std::string commandLine;
  std::string logLine;  // empty: the failure is logged by the new process only
  Bytes output;         // empty: null result
  friend void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.name; }
};

class FilterFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FilterFailureTest, LogsItReturnsWhatCameAndLeaksNothing) {
  const FailureCase& c = GetParam();
  CountingProcessCalls calls(c.failing, c.occurrence);
  const std::size_t descriptorsBefore = openDescriptorCount();
  LogCapture capture;

  const DataRef result =
      filterDataWithArguments(Data::make(bytesOf("data")), shell(c.commandLine), calls);

  EXPECT_EQ(bytesOrEmpty(result), c.output);
  if (c.output.empty()) {
    EXPECT_FALSE(result);
  }
  if (!c.logLine.empty()) {
    EXPECT_THAT(capture.lines(), Contains(c.logLine));
  }
  EXPECT_EQ(openDescriptorCount(), descriptorsBefore);
  EXPECT_TRUE(noChildrenLeft());
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FilterFailureTest,
    ::testing::Values(
        FailureCase{
            "OutputPipe", Call::Pipe, 1, "/bin/cat", "failed to create a pipe for parent.", {}},
        FailureCase{
            "InputPipe", Call::Pipe, 2, "/bin/cat", "failed to create a pipe for child.", {}},
        FailureCase{"CommandProcess", Call::Fork, 1, "/bin/cat", "failed to create a process.", {}},
        // Without a writer the command reads an empty input at once.
        FailureCase{"WriterWithCat", Call::Fork, 2, "/bin/cat", "failed to spone a command.", {}},
        FailureCase{"WriterWithEcho", Call::Fork, 2, "echo out", "failed to spone a command.",
                    bytesOf("out\n")},
        FailureCase{"Shell", Call::Execute, 1, "echo out", "", {}}),
    CaseName());

// --- twoWayPipeWithCommand -------------------------------------------------

TEST(TwoWayPipe, EmptyArgumentsOrOneHoldingANulStartNothing) {
  // execvp would run "/bin/cat" for "/bin/cat\0; rm x", and pass "ke" for the key "ke\0y".
  const std::string nul(1, '\0');
  const ShellArguments refused[] = {
      {},
      shell("/bin/cat" + nul + "; rm x"),
      {"/bin/sh", "-c", "/bin/cat", "/bin/sh", "ke" + nul + "y"},
      {"/bin/sh" + nul + "x", "-c", "/bin/cat"},
  };
  for (const auto& arguments : refused) {
    CountingProcessCalls calls;
    EXPECT_FALSE(twoWayPipeWithCommand(arguments, calls)) << arguments.size();
    EXPECT_EQ(calls.count(Call::Pipe), 0);
    EXPECT_EQ(calls.count(Call::Fork), 0);
  }
}

TEST(TwoWayPipe, CallersEndsAreNotInheritedByOtherCommands) {
  // Another command holding the write end would keep this one's input open.
  const auto command = twoWayPipeWithCommand(shell("/bin/cat"));
  ASSERT_TRUE(command);
  EXPECT_NE(fcntl(command->readDescriptor, F_GETFD) & FD_CLOEXEC, 0);
  EXPECT_NE(fcntl(command->writeDescriptor, F_GETFD) & FD_CLOEXEC, 0);
  close(command->writeDescriptor);
  close(command->readDescriptor);
  EXPECT_EQ(waitpid(command->processId, nullptr, 0), command->processId);
}

// --- the cipher filter -------------------------------------------------------

class CipherTest : public ::testing::TestWithParam<std::string> {
 protected:
  void TearDown() override { EXPECT_TRUE(noChildrenLeft()); }
};

// The openssl command, run without a shell, is the oracle: the key must reach
// it byte for byte for either side to read the other's output.
TEST_P(CipherTest, RoundTripsAndInteroperatesWithTheCipherCommand) {
  const std::string& key = GetParam();
  const Bytes content = randomBytes(10000, 6);
  const DataRef secret = encryptDataWithDataAndKey(Data::make(content), key);
  ASSERT_TRUE(secret);
  EXPECT_EQ(bytesOrEmpty(decryptDataWithDataAndKey(secret, key)), content);
  EXPECT_EQ(runTool({"openssl", "enc", "-d", "-des3", "-k", key}, secret->bytes()), content);

  const auto secretByTool = runTool({"openssl", "enc", "-e", "-des3", "-k", key}, content);
  ASSERT_TRUE(secretByTool);
  EXPECT_EQ(bytesOrEmpty(decryptDataWithDataAndKey(Data::make(*secretByTool), key)), content);
}

INSTANTIATE_TEST_SUITE_P(Keys, CipherTest,
                         ::testing::Values("secret", "  with blanks  ", "-starts-with-dash",
                                           "quote ' \" $HOME `id` ; | & \\ * $(true)", "grüße 鍵"),
                         KeyName());

TEST(Cipher, WrongKeyGivesNullOrGarbageNeverAnErrorOfItsOwn) {
  const Bytes content = randomBytes(64, 8);
  const DataRef secret = encryptDataWithDataAndKey(Data::make(content), "right");
  ASSERT_TRUE(secret);
  // openssl usually fails ("bad decrypt", nothing written) but about one key
  // in 256 passes the padding check and yields garbage.
  const DataRef result = decryptDataWithDataAndKey(secret, "wrong");
  if (result) {
    EXPECT_NE(result->bytes(), content);
  }
  EXPECT_TRUE(noChildrenLeft());
}

TEST(Cipher, NullDataOrAKeyWithANulStartsNothing) {
  LogCapture capture;
  EXPECT_FALSE(encryptDataWithDataAndKey(nullptr, "key"));
  EXPECT_FALSE(decryptDataWithDataAndKey(nullptr, "key"));
  EXPECT_THAT(capture.lines(),
              ElementsAre("filterDataWithArguments 0:", "filterDataWithArguments 0:"));
  const std::string withNul("ke\0y", 4);
  EXPECT_FALSE(encryptDataWithDataAndKey(Data::make(bytesOf("data")), withNul));
  EXPECT_FALSE(decryptDataWithDataAndKey(Data::make(bytesOf("data")), withNul));
  EXPECT_TRUE(noChildrenLeft());
}

}  // namespace
}  // namespace qor
