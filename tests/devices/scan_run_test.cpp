// The scan run as the scan view drives it: the device scan over the fake
// Setup API and the update request against the loopback test server, on
// their worker threads, polled tick by tick. The test waits for each worker
// between ticks, so every tick finds a settled state and nothing is timed.
#include "service/scan_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/language_keys.h"
#include "common/ansi_text.h"
#include "common/last_error.h"
#include "devices/scan_services_fixture.h"
#include "devices/scan_share.h"
#include "support/recording_host.h"
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
    "error_answer_refused=\"The answer was refused.\"\n"
    "error_network_interrupted=\"The connection broke.\"\n"
    "error_network_failed=\"Transfer error %d.\"\n"
    "scan_status=\"Status: \"\n"
    "scan_status1=\"scanning devices\"\n"
    "scan_status2=\"asking the service\"\n"
    "[Deutsch]\n"
    "error_network_timeout=\"Keine Antwort.\"\n"
    "error_network_interrupted=\"Verbindung unterbrochen.\"\n"
    "error_network_failed=\"Fehler %d.\"\n";

language_table_t load_language(const char16_t* name)
{
    language_table_t table;
    language_load_text(table, language_file, name, true);
    return table;
}

// The scan view as the run sees it: the tests' run host, whose boxes are
// answered with Cancel unless a test says otherwise.
recording_host_c scan_view()
{
    recording_host_c view;
    view.otherwise = box_result_t::declined;
    return view;
}

// A Setup API whose class list waits until the test opens the gate, then
// fails (and with it the device scan): a device scan that is still running.
struct gated_setup_api_c final : setup_api_c {
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

std::string text_of(const language_table_t& table, language_key_t key)
{
    return utf16_to_utf8(language_text(table, key));
}

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
        scan_run_tick(run, services, view);
        run.scan_worker.wait();
        run.request_worker.wait();
    }
    // Ticks until the run has reported its outcome (a run takes three ticks).
    void run_to_end()
    {
        for (int i = 0; i < 5 && view.outcomes.empty(); ++i) tick();
        ASSERT_FALSE(view.outcomes.empty()) << "the run did not end";
    }

    // The devices of the last result the run handed over.
    const device_inventory_t& result() const
    {
        EXPECT_FALSE(view.results.empty()) << "no result was handed over";
        static const device_inventory_t none;
        return view.results.empty() || !view.results.back() ? none : view.results.back()->inventory;
    }

    recording_host_c view = scan_view();
    scan_result_t run;
};

// What a result says, as text: every device with its installed driver, its
// class and its offers, best and latest.
std::string result_text(const device_inventory_t& inventory)
{
    std::string text;
    for (const device_t& d : inventory.devices) {
        text += utf16_to_utf8(d.device_id) + "|" + utf16_to_utf8(d.name) + "|" + utf16_to_utf8(d.driver_version) +
                "|" + (d.device_class ? utf16_to_utf8(d.device_class->class_name) : "-") + "|" +
                std::to_string(d.offer_count);
        for (int32_t i = 0; i < d.offer_count; ++i) text += "|" + std::string(d.offers[i].link);
        text += std::string("|best ") + (d.best_offer ? d.best_offer->link : "-") + "|latest " +
                (d.latest_offer ? d.latest_offer->link : "-") + (d.best_offer_better ? "|better" : "") + "\n";
    }
    return text;
}

} // namespace

TEST_F(ScanRun, ScansThenAsksThenReportsTheNodesCounted)
{
    // The first tick only starts the device scan.
    tick();
    EXPECT_EQ(run.phase, scan_phase_t::scanning_devices);
    EXPECT_TRUE(run.scan_worker.held());
    EXPECT_TRUE(view.outcomes.empty());

    // The second finds it over and starts the update request.
    tick();
    EXPECT_EQ(run.phase, scan_phase_t::asking_service);
    EXPECT_FALSE(run.scan_worker.held());
    EXPECT_TRUE(run.request_worker.held());
    EXPECT_EQ(run.device_scan.status, 0);
    EXPECT_TRUE(view.outcomes.empty());

    // The third finds the answer and hands the results over.
    tick();
    EXPECT_FALSE(run.request_worker.held());
    EXPECT_EQ(run.update_request.status, 0);
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(view.timer_stops, 1);
    EXPECT_EQ(view.redraws, 3);

    // The count is the number of nodes the scan went through, not the number
    // of devices it kept (the machine has duplicates and nodes that are
    // dropped).
    int32_t nodes = run.progress->total_nodes;
    EXPECT_EQ(view.outcomes, std::vector<std::string>{"finished " + std::to_string(nodes)});
    ASSERT_EQ(view.results.size(), 1u);
    ASSERT_TRUE(view.results[0]);
    EXPECT_EQ(view.results[0]->device_nodes, static_cast<uint32_t>(nodes));
    EXPECT_GT(static_cast<size_t>(nodes), result().devices.size());
    EXPECT_EQ(run.request->response_status, 200);
    EXPECT_FALSE(run.building) << "the run keeps nothing of the result it handed over";

    // The answer reached the result's device records.
    ASSERT_FALSE(result().devices.empty());
    for (const device_t& d : result().devices) {
        EXPECT_EQ(d.offer_count, 1) << utf16_to_utf8(d.device_id);
        EXPECT_NE(d.best_offer, nullptr) << utf16_to_utf8(d.device_id);
    }
}

TEST_F(ScanRun, TheOfflineSettingReachesTheDeviceScan)
{
    const u16 headset = u"USB\\VID_046D&PID_0A29";
    for (int32_t offline : {0, 1}) {
        settings.scan_offline = offline;
        scan_run_restart(run, 0);
        view = scan_view();
        run_to_end();
        EXPECT_EQ(run.progress->include_offline, offline);
        EXPECT_EQ(inventory_find_device(result(), headset) != nullptr, offline == 1) << offline;
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
        // The program's own text, never libcurl's English one.
        {"the answer is cut short", server_url("/close-early/4000/"), error_network_status,
         [](const update_request_t& r) {
             EXPECT_EQ(r.transport_result, 18) << "a transfer cut short";
             return std::string("The connection broke.");
         }},
        {"the answer is not XML", server_url("/update/garbage/"), error_bad_response,
         [&](const update_request_t&) { return text_of(language, lang::error_invalid_date); }},
        // A relay changed the answer after the service signed it.
        {"the answer's signature does not fit", server_url("/update/tampered/"), error_answer_refused,
         [](const update_request_t& r) {
             EXPECT_EQ(r.signature_verdict, signature_verdict_t::forged);
             return std::string("The answer was refused.");
         }},
    };
    struct answer_t {
        const char* what;
        box_result_t answer;
        const char* outcome;
    };
    // Retry starts the run again; Cancel, and a box closed without an
    // answer, go home.
    const answer_t answers[] = {
        {", Cancel", box_result_t::declined, "show_home"},
        {", Retry", box_result_t::accepted, "retry"},
        {", closed", box_result_from_button(0), "show_home"},
    };
    for (const row& r : rows) {
        for (const answer_t& a : answers) {
            SCOPED_TRACE(std::string(r.what) + a.what);
            mirrors(r.mirror);
            scan_run_restart(run, 0);
            view = scan_view();
            view.otherwise = a.answer;
            run_to_end();
            // The worker's own code, whatever this thread's says.
            EXPECT_EQ(run.update_request.error_code, r.code);
            EXPECT_EQ(run.update_request.status, -1);
            ASSERT_EQ(view.boxes.size(), 1u);
            EXPECT_EQ(view.boxes[0], r.text(*run.request) + "/4");
            EXPECT_EQ(view.timer_stops, 1);
            EXPECT_EQ(view.outcomes, std::vector<std::string>{a.outcome});
        }
    }
}

TEST_F(ScanRun, RetryRunsTheWholeScanAgain)
{
    mirrors(server_url("/status/504"));
    view.otherwise = box_result_t::accepted;
    run_to_end();
    ASSERT_EQ(view.outcomes.back(), "retry");

    // What the main window does on retry; meanwhile the service is back.
    mirrors(server_url("/update/echo/retry/"));
    scan_run_restart(run, 1234);
    view = scan_view();
    tick();
    EXPECT_EQ(run.phase, scan_phase_t::scanning_devices) << "the device scan runs again";
    EXPECT_EQ(run.start_time, 1234);
    run_to_end();
    ASSERT_EQ(view.outcomes.size(), 1u);
    EXPECT_EQ(view.outcomes[0].rfind("finished ", 0), 0u);
    EXPECT_FALSE(result().devices.empty());
}

// A result is the scan's own: a second scan builds and hands over another
// one, and the first, still held by whoever shows it, keeps every record,
// class and offer as it was. A failed scan hands nothing over and leaves the
// held one alone too.
TEST_F(ScanRun, EachScanHandsOverANewResultAndTheHeldOneStaysAsItWas)
{
    run_to_end();
    ASSERT_EQ(view.results.size(), 1u);
    std::shared_ptr<const scan_outcome_t> first = view.results[0];
    const std::string first_text = result_text(first->inventory);
    ASSERT_NE(first_text.find("|best "), std::string::npos);
    const device_t* first_record = first->inventory.devices.data();
    const size_t first_count = first->inventory.devices.size();

    // The second scan sees a device more (the offline headset) and another
    // answer.
    const u16 headset = u"USB\\VID_046D&PID_0A29";
    settings.scan_offline = 1;
    mirrors(server_url("/update/echo/second-scan/"));
    scan_run_restart(run, 0);
    view = scan_view();
    run_to_end();
    ASSERT_EQ(view.results.size(), 1u);
    std::shared_ptr<const scan_outcome_t> second = view.results[0];
    ASSERT_TRUE(second);
    EXPECT_NE(second.get(), first.get());
    EXPECT_NE(inventory_find_device(second->inventory, headset), nullptr);
    EXPECT_NE(result_text(second->inventory), first_text);

    EXPECT_EQ(inventory_find_device(first->inventory, headset), nullptr);
    EXPECT_EQ(first->inventory.devices.size(), first_count);
    EXPECT_EQ(first->inventory.devices.data(), first_record) << "the records were not moved";
    EXPECT_EQ(result_text(first->inventory), first_text);
    for (const device_t& d : first->inventory.devices) {
        // Every pointer still leads into the first result's own arrays.
        ASSERT_NE(d.device_class, nullptr);
        EXPECT_GE(d.device_class, first->inventory.classes.data());
        EXPECT_LT(d.device_class, first->inventory.classes.data() + first->inventory.classes.size());
        if (d.best_offer) {
            EXPECT_GE(d.best_offer, d.offers.get());
            EXPECT_LT(d.best_offer, d.offers.get() + d.offer_count);
        }
    }

    // A failed third scan: nothing new, the held results untouched.
    api.class_list_error = win32_error::not_enough_memory;
    scan_run_restart(run, 0);
    view = scan_view();
    run_to_end();
    EXPECT_EQ(view.outcomes, std::vector<std::string>{"show_home"});
    EXPECT_TRUE(view.results.empty());
    EXPECT_FALSE(run.building);
    EXPECT_EQ(result_text(first->inventory), first_text);
    EXPECT_NE(inventory_find_device(second->inventory, headset), nullptr);
}

TEST_F(ScanRun, ADeviceScanFailureShowsTheFixedTextInEveryLanguageThenHome)
{
    api.class_list_error = win32_error::not_enough_memory;
    language = load_language(u"Deutsch");
    run_to_end();
    EXPECT_EQ(run.device_scan.error_code, error_class_list);
    EXPECT_EQ(run.device_scan.status, -1);
    EXPECT_EQ(view.boxes, std::vector<std::string>{"Scan Devices Error/2"});
    EXPECT_EQ(view.outcomes, std::vector<std::string>{"show_home"});

    // No request follows. The timer keeps running until the next start, and
    // its ticks only repaint.
    EXPECT_EQ(run.phase, scan_phase_t::asking_service);
    EXPECT_FALSE(run.request_worker.held());
    EXPECT_EQ(view.timer_stops, 0);
    int redraws = view.redraws;
    tick();
    tick();
    EXPECT_EQ(view.redraws, redraws + 2);
    EXPECT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.outcomes.size(), 1u);
}

TEST_F(ScanRun, TicksWhileABoxIsOpenFindNothingToDo)
{
    // A modal box dispatches the view's timer ticks while it is open; the
    // run has settled its state before it shows one.
    view.while_box_open = [this] {
        scan_run_tick(run, services, view);
        scan_run_tick(run, services, view);
    };

    mirrors(server_url("/status/504"));
    run_to_end();
    EXPECT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.outcomes.size(), 1u);
    EXPECT_FALSE(run.scan_worker.held());
    EXPECT_FALSE(run.request_worker.held());

    api.class_list_error = win32_error::not_enough_memory;
    scan_run_restart(run, 0);
    view.boxes.clear();
    view.outcomes.clear();
    run_to_end();
    EXPECT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.outcomes.size(), 1u);
    EXPECT_FALSE(run.request_worker.held());
}

TEST_F(ScanRun, AStartWhileTheLastWorkerStillRunsWaitsForIt)
{
    gated_setup_api_c gated;
    scan_services_t slow{class_images, gated, client, settings, language};
    scan_run_tick(run, slow, view);
    ASSERT_EQ(run.phase, scan_phase_t::scanning_devices);
    ASSERT_TRUE(run.scan_worker.running());

    // A new start arrives although the scan still runs: the next ticks do
    // not start a second scan beside it on the same run record.
    scan_run_restart(run, 5);
    scan_run_tick(run, slow, view);
    scan_run_tick(run, slow, view);
    EXPECT_EQ(run.phase, scan_phase_t::not_started);
    EXPECT_TRUE(view.boxes.empty());

    gated.open();
    run.scan_worker.wait();
    scan_run_tick(run, slow, view);
    EXPECT_EQ(run.phase, scan_phase_t::scanning_devices) << "the new run starts once the old worker has ended";
    run.scan_worker.wait();
    EXPECT_EQ(gated.class_list_calls.load(), 2);
    scan_run_tick(run, slow, view);
    EXPECT_EQ(view.boxes, std::vector<std::string>{"Scan Devices Error/2"});
}

TEST(ScanErrorText, ChoosesTheTextByTheLastErrorCode)
{
    language_table_t language = load_language(u"English");
    update_request_t request;
    request.response_status = 404;

    struct row {
        int32_t code;
        int32_t transport_result;  // libcurl's result of a transport failure; 0: none
        const char* expected;      // null: no message
    };
    const row rows[] = {
        {error_network_timeout, 0, "No answer from the update service."},
        {error_transfer_create, 0, "Internal error."},
        {error_compress, 0, "Internal error."},
        {error_network_status, 0, "The service answered 404."},
        // Transport failures get the program's texts, never libcurl's
        // English ones ("Failure when receiving data from the peer",
        // "Transferred a partial file", "Failure writing output to
        // destination").
        {error_network_status, 56, "The connection broke."},
        {error_network_status, 18, "The connection broke."},
        {error_network_status, 7, "No answer from the update service."},
        {error_network_status, 23, "The answer cannot be read."},
        {error_network_status, 35, "Transfer error 35."},
        {error_bad_response, 0, "The answer cannot be read."},
        {error_answer_refused, 0, "The answer was refused."},
        // Codes of other parts, and none at all, have no message here.
        {error_download_open, 0, nullptr},
        {error_download_too_large, 0, nullptr},
        {error_class_list, 0, nullptr},
        {0, 0, nullptr},
    };
    for (const row& r : rows) {
        copy_field(request.error_text, sizeof request.error_text, std::string_view("Failure when receiving data"));
        request.transport_result = r.transport_result;
        std::optional<u16> text = scan_error_text(r.code, request, language);
        if (!r.expected) {
            EXPECT_FALSE(text) << r.code;
            continue;
        }
        ASSERT_TRUE(text) << r.code;
        EXPECT_EQ(utf16_to_utf8(*text), r.expected) << r.code;
    }
}

TEST(ScanErrorText, ATransportFailureIsSaidInTheInterfacesLanguage)
{
    language_table_t language = load_language(u"Deutsch");
    update_request_t request;
    copy_field(request.error_text, sizeof request.error_text, std::string_view("Transferred a partial file"));
    request.transport_result = 18;
    std::optional<u16> text = scan_error_text(error_network_status, request, language);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, u"Verbindung unterbrochen.");
    request.transport_result = 35;
    EXPECT_EQ(scan_error_text(error_network_status, request, language), u16(u"Fehler 35."));
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
    recording_host_c view;
    view.otherwise = box_result_t::accepted;

    // A code without a message, or a message missing from the language
    // file: nothing is shown and the run goes home.
    language_table_t english = load_language(u"English");
    language_table_t german = load_language(u"Deutsch");
    EXPECT_EQ(scan_error_box(error_download_write, request, english, view), box_result_t::declined);
    EXPECT_EQ(scan_error_box(error_bad_response, request, german, view), box_result_t::declined);
    EXPECT_TRUE(view.boxes.empty());

    EXPECT_EQ(scan_error_box(error_network_timeout, request, german, view), box_result_t::accepted);
    EXPECT_EQ(view.boxes, std::vector<std::string>{"Keine Antwort./4"});
}

TEST(ScanStatusLine, NamesThePhaseAndCountsDotsBySecond)
{
    language_table_t language = load_language(u"English");
    EXPECT_EQ(utf16_to_utf8(scan_status_line(scan_phase_t::not_started, 7, language)), "Status: scanning devices");
    EXPECT_EQ(utf16_to_utf8(scan_status_line(scan_phase_t::scanning_devices, 8, language)),
              "Status: scanning devices");
    EXPECT_EQ(utf16_to_utf8(scan_status_line(scan_phase_t::asking_service, 9, language)),
              "Status: asking the service.");
    EXPECT_EQ(utf16_to_utf8(scan_status_line(scan_phase_t::asking_service, 10, language)),
              "Status: asking the service..");
    EXPECT_EQ(utf16_to_utf8(scan_status_line(scan_phase_t::asking_service, 11, language)),
              "Status: asking the service...");
}
