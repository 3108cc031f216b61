#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "core/core.h"
#include "runtime/inspection.h"
#include "runtime/media_runtime.h"
#include "support/test_support.h"

using namespace tw;
using tw::test::TempDir;

namespace {

struct FatalErrorTest : ::testing::Test {
    void SetUp() override {
        // No box can be shown: fatal errors go to stderr only.
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        set_start_values();
        engine.config_path = "/games/demo/DATA\\ini.txt";
        engine.self_create_base_path = "/games/demo/DATA\\base.txt";
        engine.system_core_path = "/games/demo/CORE\\";
        engine.core_name = "core.bin";
    }
};

// Runs one fault inside a guarded step the way the main loop does. The null
// check of a sanitized build would stop the test before the fault, so it is
// off here.
__attribute__((no_sanitize("null"))) void faulting_step() {
    volatile int* volatile nowhere = nullptr;
    *nowhere = 1;
}

}  // namespace

TEST_F(FatalErrorTest, TextsAreExactAndJoinFieldsWithoutSeparators) {
    EXPECT_EQ(fatal_error_text(0), " Could not open /games/demo/DATA\\ini.txt");
    EXPECT_EQ(fatal_error_text(1), " Could not open screen");
    EXPECT_EQ(fatal_error_text(2), " Could not open window");
    EXPECT_EQ(fatal_error_text(3), " Could not open keyboarddevice");
    EXPECT_EQ(fatal_error_text(4), " Could not open topographic data");
    EXPECT_EQ(fatal_error_text(5), " Could not open:/games/demo/DATA\\base.txt");
    EXPECT_EQ(fatal_error_text(10), " Could not create gfx_list:/games/demo/CORE\\core.bin");
    EXPECT_EQ(fatal_error_text(11),
              "Could not create thread (multithreading/parallel computing)\n"
              "do you want to try serial computing? if *no* program will quit\n"
              "engine will try to activate multithreading...");
    for (int code : {-1, 6, 7, 9, 12, 100}) EXPECT_EQ(fatal_error_text(code), "") << code;
}

// A failure must not look like a normal quit (exit code 0) to whoever started the game.
TEST_F(FatalErrorTest, ListedCodesEndTheProgramWithExitCodeOne) {
    EXPECT_EXIT(fatal_error(0), ::testing::ExitedWithCode(1),
                "ERROR :  Could not open /games/demo/DATA\\\\ini\\.txt");
    EXPECT_EXIT(fatal_error(4), ::testing::ExitedWithCode(1), "ERROR :  Could not open topographic data");
    EXPECT_EXIT(fatal_error(5), ::testing::ExitedWithCode(1), "ERROR :  Could not open:/games/demo/");
}

TEST_F(FatalErrorTest, UnlistedCodeReturnsSilently) {
    ::testing::internal::CaptureStderr();
    fatal_error(6);
    fatal_error(-3);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST_F(FatalErrorTest, ThreadQuestionWithoutABoxGoesOnSerially) {
    ::testing::internal::CaptureStderr();
    fatal_error(11);
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(engine.multicore, 0);
    EXPECT_EQ(err.rfind("ERROR : Could not create thread", 0), 0u) << err;
}

// ===========================================================================
// Report log
// ===========================================================================

namespace {

struct ReportLogTest : ::testing::Test {
    TempDir dir;
    void SetUp() override {
        set_start_values();
        engine.base_dir = dir.path;  // the game folder: LOGPATH comes after it
        engine.log_path = dir.path + "LOG/";
        engine.log_file = "engine.log";
    }
    std::string log_name() const { return dir.path + "LOG/engine.log"; }
};

std::string literal(const std::string& s) {
    return std::regex_replace(s, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

void expect_one_report(const std::string& contents, const std::string& description) {
    std::regex report(
        "ENGINE REPORT: ERROR:\r\n" + literal(description) +
        "\r\nLINE:-1\r\nMODULE:" + literal(error_file()) +
        "\r\n \r\nDATESTAMP:[0-9]{4}-,[0-9]{2}-,[0-9]{2}\r\n");
    EXPECT_TRUE(std::regex_match(contents, report)) << contents;
}

}  // namespace

TEST_F(ReportLogTest, SixLinesReplaceALongerOlderReport) {
    dir.write("LOG/engine.log", std::string(2000, 'x'));
    write_error_report();
    expect_one_report(tw::test::read_file(log_name()), error_message());
    // A second report leaves exactly one report behind.
    write_error_report();
    expect_one_report(tw::test::read_file(log_name()), error_message());
}

TEST_F(ReportLogTest, UnwritableLogIsSkippedSilently) {
    engine.log_file = "";
    engine.log_path = dir.path;
    write_error_report();  // would name the folder itself
    engine.log_path = dir.path + "MISSING/";
    engine.log_file = "engine.log";
    write_error_report();  // the folder does not exist
    engine.log_path = "";
    engine.log_file = "";
    write_error_report();  // no name at all
    EXPECT_TRUE(tw::test::read_file(dir.path + "MISSING/engine.log").empty());
    EXPECT_FALSE(file_exists(dir.path + "engine.log"));
}

TEST_F(ReportLogTest, OnlyFaultsAfterInstallationAreReported) {
    dir.write("LOG/keep.txt", "");
    set_error_handler(nullptr);
    EXPECT_FALSE(run_guarded(faulting_step));  // the step is abandoned, the test goes on
    EXPECT_FALSE(file_exists(log_name()));

    set_error_handler(write_error_report);
    EXPECT_FALSE(run_guarded(faulting_step));
    set_error_handler(nullptr);
    expect_one_report(tw::test::read_file(log_name()), "Invalid memory access");
}

namespace {
void fault_on_another_thread() { std::thread(faulting_step).join(); }
}  // namespace

TEST_F(ReportLogTest, FaultOnAnotherThreadIsReportedAndEndsTheProcess) {
    // The main thread's recovery point is no place for another thread (the
    // audio mixer's, say) to resume: the report is written, then the fault
    // ends the process as it would without a handler.
    dir.write("LOG/keep.txt", "");
    set_error_handler(write_error_report);
#if defined(_WIN32)
    // The death test runs in a fresh process, which makes a TempDir of its
    // own: it writes into this one, named in the environment it inherits.
    // The log is written only inside the game folder, so the game folder
    // comes from the parent too.
    if (const char* parent = std::getenv("TILEWORLD_TEST_PARENT_DIR")) {
        engine.base_dir = parent;
        engine.log_path = engine.base_dir + "LOG/";
    }
    setenv("TILEWORLD_TEST_PARENT_DIR", engine.base_dir.c_str(), 1);
    // Windows ends it with the exception's code, that of an access violation.
    EXPECT_EXIT(run_guarded(fault_on_another_thread), ::testing::ExitedWithCode(static_cast<int>(0xC0000005u)), "");
    unsetenv("TILEWORLD_TEST_PARENT_DIR");
#else
    EXPECT_EXIT(run_guarded(fault_on_another_thread), ::testing::KilledBySignal(SIGSEGV), "");
#endif
    set_error_handler(nullptr);
    expect_one_report(tw::test::read_file(log_name()), "Invalid memory access");
}

// The report log is written only inside the game folder, and never through a
// link: a fault must not overwrite a file the game's data points at.
TEST_F(ReportLogTest, LogOutsideTheGameFolderOrThroughALinkIsNotWritten) {
    const std::string victim = dir.write("home/victim", "untouched");
    engine.base_dir = dir.path + "game/";
    dir.write("game/LOG/keep", "");
    engine.log_path = engine.base_dir + "..\\home\\";
    engine.log_file = "victim";
    ::testing::internal::CaptureStderr();
    write_error_report();
    write_error_report();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(tw::test::read_file(victim), "untouched");
    EXPECT_NE(err.find("the report log is not written"), std::string::npos) << err;

#if !defined(_WIN32)
    engine.log_path = engine.base_dir + "LOG\\";
    engine.log_file = "report.log";
    ASSERT_EQ(symlink(victim.c_str(), (dir.path + "game/LOG/report.log").c_str()), 0);
    write_error_report();
    EXPECT_EQ(tw::test::read_file(victim), "untouched");
#endif
}
