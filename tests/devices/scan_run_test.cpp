// The scan run as the scan view drives it: the device scan over the fake
// Setup API and the update request against the loopback test server, on
// their worker threads, polled tick by tick. The test waits for each worker
// between ticks, so every tick finds a settled state and nothing is timed.
#include "devices/scan_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/app_messages.h"
#include "app/language_keys.h"
#include "common/ansi_text.h"
#include "common/last_error.h"
#include "devices/scan_services_fixture.h"
#include "devices/scan_share.h"
#include "support/server_access.h"
#include "support/test_support.h"

using namespace tdu;
using namespace tdu::test;

namespace {

// Texts with a visible mark each, in two languages.
constexpr char language_file[] =
    "[English]\n"
    "error_network_timeout=\"No answer from the update service.\"\n"
    "error_network_error=\"The service answered %d.\"\n"
    "error_internal_error=\"Internal error.\"\n"
    "error_invalid_date=\"The answer cannot be read.\"\n"
    "scan_status=\"Status: \"\n"
    "scan_status1=\"scanning devices\"\n"
    "scan_status2=\"asking the service\"\n"
    "[Deutsch]\n"
    "error_network_timeout=\"Keine Antwort.\"\n";

language_table_t load_language(const char16_t* name)
{
    language_table_t table;
    language_load_text(table, language_file, name, true);
    return table;
}

struct box_t {
    std::string text;
    int style;
};

// The scan view as the run sees it: boxes, posted messages, the timer and
// repaints, recorded. `answer` is what every box returns; `while_box_open`
// runs inside a box, where a real modal box would dispatch timer ticks.
struct recording_view_t final : scan_view_t {
    std::vector<box_t> boxes;
    std::vector<std::pair<uint32_t, uintptr_t>> posted;
    std::vector<uint32_t> killed_timers;
    int redraws = 0;
    int answer = message_result_cancel;
    std::function<void()> while_box_open;

    int show_message(u16view text, int style) override
    {
        boxes.push_back({utf16_to_utf8(text), style});
        if (while_box_open) while_box_open();
        return answer;
    }
    void post_to_main(uint32_t message, uintptr_t wparam) override { posted.emplace_back(message, wparam); }
    void kill_timer(uint32_t timer_id) override { killed_timers.push_back(timer_id); }
    void redraw() override { ++redraws; }
};

// A Setup API whose class list waits until the test opens the gate, then
// fails (and with it the device scan): a device scan that is still running.
struct gated_setup_api_t final : setup_api_t {
    std::mutex lock;
    std::condition_variable opened_signal;
    bool opened = false;
    std::atomic<int> class_list_calls{0};

    void open()
    {
        std::lock_guard<std::mutex> g(lock);
        opened = true;
        opened_signal.notify_all();
    }
    uint32_t last_error() override { return win32_error::not_enough_memory; }
    bool build_class_info_list(guid_t*, uint32_t, uint32_t*) override
    {
        ++class_list_calls;
        std::unique_lock<std::mutex> g(lock);
        opened_signal.wait(g, [this] { return opened; });
        return false;
    }
    // The scan fails at the class list; nothing below is reached.
    bool class_description(const guid_t&, char16_t*, uint32_t, uint32_t*) override { return false; }
    bool class_name_from_guid(const guid_t&, char16_t*, uint32_t, uint32_t*) override { return false; }
    bool get_class_image_list(class_image_list_t&) override { return false; }
    void destroy_class_image_list(class_image_list_t&) override {}
    bool class_image_index(const class_image_list_t&, const guid_t&, int32_t*) override { return false; }
    device_set_t get_class_devs(bool) override { return invalid_device_set; }
    bool enum_device_info(device_set_t, uint32_t, device_node_t&) override { return false; }
    void destroy_device_info_list(device_set_t) override {}
    bool device_instance_id(device_set_t, const device_node_t&, char16_t*, uint32_t, uint32_t*) override { return false; }
    bool device_registry_property(device_set_t, const device_node_t&, uint32_t, uint32_t*, uint8_t*, uint32_t,
                                  uint32_t*) override
    {
        return false;
    }
    uint32_t devnode_status(uint32_t) override { return 0; }
    driver_key_t open_driver_key(device_set_t, const device_node_t&) override { return invalid_driver_key; }
    uint32_t query_value(driver_key_t, const char16_t*, uint32_t*, uint8_t*, uint32_t*) override
    {
        return win32_error::file_not_found;
    }
    void close_key(driver_key_t) override {}
    bool get_device_install_params(device_set_t, const device_node_t&, device_install_params_t&) override { return false; }
    bool set_device_install_params(device_set_t, const device_node_t&, const device_install_params_t&) override
    {
        return false;
    }
    bool build_driver_info_list(device_set_t, const device_node_t&) override { return false; }
    bool enum_driver_info(device_set_t, const device_node_t&, uint32_t, driver_info_t&) override { return false; }
    bool driver_install_rank(device_set_t, const device_node_t&, const driver_info_t&, uint32_t*) override
    {
        return false;
    }
    void destroy_driver_info_list(device_set_t, const device_node_t&) override {}
};

std::string text_of(const language_table_t& table, const char* key) { return utf16_to_utf8(language_text(table, key)); }

class ScanRun : public ::testing::Test, protected scan_test_services_t {
protected:
    ScanRun() : scan_test_services_t(load_machine(data_dir() / "devices" / "scan_machine.ini"))
    {
        language = load_language(u"English");
        mirrors(server_url("/update/echo/scan-run/"));
    }
    void SetUp() override
    {
        set_last_error(0);
        scan_share_limit = scan_share_initial_limit;
    }

    // One tick, then waits until the worker it left running has ended, so
    // the next tick finds it over.
    void tick()
    {
        scan_run_tick(run, services, view, scan_timer_id);
        if (run.scan_thread) run.scan_thread->wait();
        if (run.request_thread) run.request_thread->wait();
    }
    // Ticks until the run has posted a message (a run takes three ticks).
    void run_to_end()
    {
        for (int i = 0; i < 5 && view.posted.empty(); ++i) tick();
        ASSERT_FALSE(view.posted.empty()) << "the run did not end";
    }

    recording_view_t view;
    scan_result_t run;
};

} // namespace

TEST_F(ScanRun, ScansThenAsksThenReportsTheNodesCounted)
{
    // Ticks of other timers are not the run's.
    scan_run_tick(run, services, view, 2);
    EXPECT_EQ(run.phase, 0);
    EXPECT_EQ(view.redraws, 0);

    // The first tick only starts the device scan.
    tick();
    EXPECT_EQ(run.phase, 1);
    EXPECT_TRUE(run.scan_thread);
    EXPECT_TRUE(view.posted.empty());

    // The second finds it over and starts the update request.
    tick();
    EXPECT_EQ(run.phase, 2);
    EXPECT_FALSE(run.scan_thread);
    EXPECT_TRUE(run.request_thread);
    EXPECT_EQ(run.scan_status, 0);
    EXPECT_TRUE(view.posted.empty());

    // The third finds the answer and hands the results over.
    tick();
    EXPECT_FALSE(run.request_thread);
    EXPECT_EQ(run.request_status, 0);
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(view.killed_timers, std::vector<uint32_t>{scan_timer_id});
    EXPECT_EQ(view.redraws, 3);
    ASSERT_EQ(view.posted.size(), 1u);
    EXPECT_EQ(view.posted[0].first, wm_scan_finished);

    // wParam is the number of nodes the scan went through, not the number of
    // devices it kept (the machine has duplicates and nodes that are dropped).
    int32_t nodes = run.progress->total_nodes;
    EXPECT_EQ(view.posted[0].second, static_cast<uintptr_t>(nodes));
    EXPECT_GT(static_cast<size_t>(nodes), inventory.devices.size());
    EXPECT_EQ(run.request->response_status, 200);

    // The answer reached the device records.
    ASSERT_FALSE(inventory.devices.empty());
    for (const device_t& d : inventory.devices) {
        EXPECT_EQ(d.offer_count, 1) << utf16_to_utf8(d.device_id);
        EXPECT_NE(d.best_offer, nullptr) << utf16_to_utf8(d.device_id);
    }
}

TEST_F(ScanRun, TheOfflineSettingReachesTheDeviceScan)
{
    const u16 headset = u"USB\\VID_046D&PID_0A29";
    for (int32_t offline : {0, 1}) {
        scan_offline = offline;
        scan_run_restart(run, 0);
        view = recording_view_t{};
        run_to_end();
        EXPECT_EQ(run.progress->include_offline, offline);
        EXPECT_EQ(inventory_find_device(inventory, headset) != nullptr, offline == 1) << offline;
    }
}

TEST_F(ScanRun, AFailedRequestShowsItsTextWithRetryAndCancel)
{
    struct row {
        const char* what;
        std::string mirror;
        int32_t code;
        std::function<std::string(const update_request_t&)> text;
    };
    const row rows[] = {
        {"every mirror answers 504", server_url("/status/504"), error_network_timeout,
         [&](const update_request_t&) { return text_of(language, lang::error_network_timeout); }},
        {"no mirror answers at all", refused_url("/"), error_network_timeout,
         [&](const update_request_t&) { return text_of(language, lang::error_network_timeout); }},
        {"every mirror answers 404", server_url("/status/404"), error_network_status,
         [](const update_request_t&) { return std::string("The service answered 404."); }},
        {"the answer is cut short", server_url("/close-early/4000/"), error_network_status,
         [](const update_request_t& r) {
             EXPECT_NE(r.error_text[0], 0) << "a transfer error after an answer has its own text";
             return utf16_to_utf8(ansi_to_utf16(r.error_text));
         }},
        {"the answer is not XML", server_url("/update/garbage/"), error_bad_response,
         [&](const update_request_t&) { return text_of(language, lang::error_invalid_date); }},
    };
    for (const row& r : rows) {
        // Cancel goes home, Retry starts the run again.
        for (int answer : {message_result_cancel, 1}) {
            SCOPED_TRACE(std::string(r.what) + (answer == message_result_cancel ? ", Cancel" : ", Retry"));
            mirrors(r.mirror);
            scan_run_restart(run, 0);
            view = recording_view_t{};
            view.answer = answer;
            run_to_end();
            EXPECT_EQ(get_last_error(), r.code);
            EXPECT_EQ(run.request_status, -1);
            ASSERT_EQ(view.boxes.size(), 1u);
            EXPECT_EQ(view.boxes[0].text, r.text(*run.request));
            EXPECT_EQ(view.boxes[0].style, message_style_retry_cancel);
            EXPECT_EQ(view.killed_timers, std::vector<uint32_t>{scan_timer_id});
            ASSERT_EQ(view.posted.size(), 1u);
            EXPECT_EQ(view.posted[0].first, answer == message_result_cancel ? wm_show_home : wm_start_scan);
            EXPECT_EQ(view.posted[0].second, 0u);
        }
    }
}

TEST_F(ScanRun, RetryRunsTheWholeScanAgain)
{
    mirrors(server_url("/status/504"));
    view.answer = 1;
    run_to_end();
    ASSERT_EQ(view.posted.back().first, wm_start_scan);

    // What the main window does with wm_start_scan; meanwhile the service is back.
    mirrors(server_url("/update/echo/retry/"));
    inventory_clear(inventory);
    scan_run_restart(run, 1234);
    view = recording_view_t{};
    tick();
    EXPECT_EQ(run.phase, 1) << "the device scan runs again";
    EXPECT_EQ(run.start_time, 1234);
    run_to_end();
    ASSERT_EQ(view.posted.size(), 1u);
    EXPECT_EQ(view.posted[0].first, wm_scan_finished);
    EXPECT_FALSE(inventory.devices.empty());
}

TEST_F(ScanRun, ADeviceScanFailureShowsTheFixedTextInEveryLanguageThenHome)
{
    api.class_list_error = win32_error::not_enough_memory;
    language = load_language(u"Deutsch");
    run_to_end();
    EXPECT_EQ(get_last_error(), error_class_list);
    EXPECT_EQ(run.scan_status, -1);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Scan Devices Error");
    EXPECT_EQ(view.boxes[0].style, message_style_notice);
    ASSERT_EQ(view.posted.size(), 1u);
    EXPECT_EQ(view.posted[0].first, wm_show_home);

    // No request follows. The timer keeps running until the next start, and
    // its ticks only repaint.
    EXPECT_EQ(run.phase, 2);
    EXPECT_FALSE(run.request_thread);
    EXPECT_TRUE(view.killed_timers.empty());
    int redraws = view.redraws;
    tick();
    tick();
    EXPECT_EQ(view.redraws, redraws + 2);
    EXPECT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.posted.size(), 1u);
}

TEST_F(ScanRun, TicksWhileABoxIsOpenFindNothingToDo)
{
    // A modal box dispatches the view's timer ticks while it is open; the
    // run has settled its state before it shows one.
    view.while_box_open = [this] {
        scan_run_tick(run, services, view, scan_timer_id);
        scan_run_tick(run, services, view, scan_timer_id);
    };

    mirrors(server_url("/status/504"));
    run_to_end();
    EXPECT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.posted.size(), 1u);
    EXPECT_FALSE(run.scan_thread);
    EXPECT_FALSE(run.request_thread);

    api.class_list_error = win32_error::not_enough_memory;
    scan_run_restart(run, 0);
    view.boxes.clear();
    view.posted.clear();
    run_to_end();
    EXPECT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.posted.size(), 1u);
    EXPECT_FALSE(run.request_thread);
}

TEST_F(ScanRun, AStartWhileTheLastWorkerStillRunsWaitsForIt)
{
    gated_setup_api_t gated;
    scan_services_t slow{inventory, gated, client, scan_offline, language};
    scan_run_tick(run, slow, view, scan_timer_id);
    ASSERT_EQ(run.phase, 1);
    ASSERT_TRUE(run.scan_thread);

    // wm_start_scan arrives although the scan still runs: the next ticks do
    // not start a second scan of the same inventory beside it.
    scan_run_restart(run, 5);
    scan_run_tick(run, slow, view, scan_timer_id);
    scan_run_tick(run, slow, view, scan_timer_id);
    EXPECT_EQ(run.phase, 0);
    EXPECT_TRUE(view.boxes.empty());

    gated.open();
    run.scan_thread->wait();
    scan_run_tick(run, slow, view, scan_timer_id);
    EXPECT_EQ(run.phase, 1) << "the new run starts once the old worker has ended";
    run.scan_thread->wait();
    EXPECT_EQ(gated.class_list_calls.load(), 2);
    scan_run_tick(run, slow, view, scan_timer_id);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Scan Devices Error");
}

TEST(ScanErrorText, ChoosesTheTextByTheLastErrorCode)
{
    language_table_t language = load_language(u"English");
    update_request_t request;
    request.response_status = 404;

    struct row {
        int32_t code;
        const char* error_text;
        const char* expected;  // null: no message
    };
    const row rows[] = {
        {error_network_timeout, "", "No answer from the update service."},
        {error_transfer_create, "", "Internal error."},
        {error_compress, "", "Internal error."},
        {error_network_status, "", "The service answered 404."},
        {error_network_status, "Failure when receiving data from the peer", "Failure when receiving data from the peer"},
        {error_bad_response, "", "The answer cannot be read."},
        // Codes of other parts, and none at all, have no message here.
        {error_download_open, "", nullptr},
        {error_download_too_large, "", nullptr},
        {error_class_list, "", nullptr},
        {0, "", nullptr},
    };
    for (const row& r : rows) {
        copy_field(request.error_text, sizeof request.error_text, std::string_view(r.error_text));
        std::optional<u16> text = scan_error_text(r.code, request, language);
        if (!r.expected) {
            EXPECT_FALSE(text) << r.code;
            continue;
        }
        ASSERT_TRUE(text) << r.code;
        EXPECT_EQ(utf16_to_utf8(*text), r.expected) << r.code;
    }
}

TEST(ScanErrorText, ATransportTextIsReadInTheAnsiCodePage)
{
    language_table_t language = load_language(u"English");
    update_request_t request;
    copy_field(request.error_text, sizeof request.error_text, std::string_view("Verbindung unterbrochen \xE4"));
    std::optional<u16> text = scan_error_text(error_network_status, request, language);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, u"Verbindung unterbrochen \u00E4");
}

TEST(ScanErrorText, AnEditedStatusTextCannotReachBeyondItsOneNumber)
{
    language_table_t language;
    language_load_text(language, "[English]\nerror_network_error=\"%s%n status %d, again %d %x 100%%\"\n", u"English",
                       true);
    update_request_t request;
    request.response_status = 502;
    std::optional<u16> text = scan_error_text(error_network_status, request, language);
    ASSERT_TRUE(text);
    // "%s" takes the one argument, nothing else is filled in.
    EXPECT_EQ(utf16_to_utf8(*text), "502%n status %d, again %d %x 100%");
}

TEST(ScanErrorBox, ShowsRetryAndCancelOrNothingWhenThereIsNoText)
{
    update_request_t request;
    recording_view_t view;
    view.answer = 1;

    // A code without a message, or a message missing from the language
    // file: nothing is shown and the run goes home.
    language_table_t english = load_language(u"English");
    language_table_t german = load_language(u"Deutsch");
    set_last_error(error_download_write);
    EXPECT_EQ(scan_error_box(request, english, view), message_result_cancel);
    set_last_error(error_bad_response);
    EXPECT_EQ(scan_error_box(request, german, view), message_result_cancel);
    EXPECT_TRUE(view.boxes.empty());

    set_last_error(error_network_timeout);
    EXPECT_EQ(scan_error_box(request, german, view), 1);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Keine Antwort.");
    EXPECT_EQ(view.boxes[0].style, message_style_retry_cancel);
    set_last_error(0);
}

TEST(ScanStatusLine, NamesThePhaseAndCountsDotsBySecond)
{
    language_table_t language = load_language(u"English");
    EXPECT_EQ(utf16_to_utf8(scan_status_line(0, 7, language)), "Status: scanning devices");
    EXPECT_EQ(utf16_to_utf8(scan_status_line(1, 8, language)), "Status: scanning devices");
    EXPECT_EQ(utf16_to_utf8(scan_status_line(2, 9, language)), "Status: asking the service.");
    EXPECT_EQ(utf16_to_utf8(scan_status_line(2, 10, language)), "Status: asking the service..");
    EXPECT_EQ(utf16_to_utf8(scan_status_line(2, 11, language)), "Status: asking the service...");
}
