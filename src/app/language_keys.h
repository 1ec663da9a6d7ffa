#pragma once
// The keys the program looks up in the language table. Code names a key as
// tdu::lang::scan_status (a language_key_t) rather than as a string, so a
// misspelt key does not build, and the tests check that the shipped "language.ini" has every key
// listed here in every language.
//
// Keys used as printf formats, with their arguments:
//   about_info1          %s %s %s   version, build date, build time
//   cleanup_completed, cleanup_failed %s   the space freed ("12.3 MB")
//   download_date1/2     %s %s      installed driver's date, offered date
//   download_date3       %s         installed driver's date
//   error_network_error  %d         HTTP status
//   error_driver_folder  %s         the driver folder
//   scan_driver_folder   %s %d %d   the driver folder, packages read, packages in all
//   error_network_failed %d         the transfer's error number
//   new_driver_notify    %d         drivers out of date (30 characters at most)
//   ignored_link         %d         ignored offers
//   restore_installer_error %s      the installer's exit code ("0xE0000247")
//   sidebar_out_of_date, sidebar_no_driver, sidebar_up_to_date,
//   sidebar_total        %d         the count
//   update_downloading   %s %s      bytes done, the setup's size ("1.2 MB")
//   update_installed, update_up_to_date %s   the program's version
//   update_offer         %s %s %s   the offered version, its size, the installed version
//   update_notice        %s         the offered version (the results view's header)
#include <string_view>

#define TDU_LANGUAGE_KEYS(X) \
    X(about_btn_check) X(about_copyright) X(about_info1) X(about_information) X(about_name) \
    X(backup_available_drivers) X(backup_completed) X(backup_date) X(backup_failed) \
    X(backup_inbox_drivers) X(backup_info) X(backup_no_driver) X(backup_settings) \
    X(btn_remove) X(cleanup_back) X(cleanup_back_up_first) X(cleanup_column_date) X(cleanup_column_package) \
    X(cleanup_column_size) X(cleanup_column_version) X(cleanup_completed) X(cleanup_confirm) X(cleanup_failed) X(cleanup_link) \
    X(cleanup_no_package) X(cleanup_none) \
    X(btn_backup) X(btn_cancel) X(btn_no) X(btn_ok) X(btn_restore) X(btn_retry) X(btn_yes) \
    X(config_backup_path) X(config_close_option) X(config_close_to_system_tray) \
    X(config_download_path) X(config_enable_scheduled_automatic_scan) X(config_invalid_backup_path) X(config_invalid_driver_folder) X(config_driver_folder) X(config_choose_folder) \
    X(config_invalid_download_path) X(config_language) X(config_path_too_long) \
    X(config_language_change_notice) X(config_scan_non_present_devices) X(config_scan_option) \
    X(config_scheduled_task) X(config_start_when_windows_startup) X(config_startup_option) X(config_title) X(config_update_check) \
    X(device_detail_blank) \
    X(device_detail_current_driver) X(device_detail_description) X(device_detail_driver_information) \
    X(device_detail_list_class_desc) X(device_detail_list_class_name) \
    X(device_detail_list_compatible_ids) X(device_detail_list_device_desc) \
    X(device_detail_list_device_id) X(device_detail_list_enumerator) \
    X(device_detail_list_hardware_ids) X(device_detail_list_inf_date) X(device_detail_list_inf_name) \
    X(device_detail_list_inf_version) X(device_detail_list_manufacturer) \
    X(device_detail_list_matching_device_id) X(device_detail_list_rank_of_installed_driver) \
    X(device_detail_new_driver) X(device_detail_title) \
    X(download_all_button) X(download_all_check) X(download_all_warning) X(download_btn_download) \
    X(download_btn_pause) X(download_btn_resume) X(download_btn_setup) X(download_cbb_best) \
    X(download_cbb_latest) X(download_date1) X(download_date2) X(download_date3) \
    X(download_download_complete) X(download_download_error) X(download_download_paused) \
    X(download_downloading) X(download_error_digest) X(download_error_disk) X(download_error_not_found) \
    X(download_error_too_large) X(download_install_folder_opened) X(download_install_no_backup) X(download_install_no_restore_point) \
    X(download_install_not_started) X(download_install_installed) X(download_install_restart) \
    X(download_install_no_device) X(download_install_error_code) X(download_setup_restart) \
    X(download_install_not_unpacked) X(download_install_started) X(download_new_drivers_found1) \
    X(download_new_drivers_found2) \
    X(download_new_drivers_found3) X(download_not_download) X(download_setup_manual) \
    X(download_setup_no_backup) X(download_setup_no_digest) X(download_setup_no_restore_point) X(download_setup_package_folder) \
    X(download_setup_refused) \
    X(download_setup_require) X(download_setup_warning) \
    X(error_answer_refused) X(error_driver_folder) X(error_internal_error) X(error_invalid_date) X(error_network_error) X(error_network_failed) \
    X(error_network_interrupted) X(error_network_timeout) \
    X(home_backup_msg) X(home_download) X(home_download_msg) X(home_install) \
    X(home_kelptone_automatically) X(home_restore_msg) X(home_scan_for_driver_updates) \
    X(home_scan_for_drivers) X(home_scan_running_msg) X(home_start_scan) \
    X(ignored_column_date) X(ignored_column_driver) X(ignored_column_hardware_id) X(ignored_column_version) \
    X(ignored_link) X(ignored_stop) X(ignored_title) \
    X(menu_about) X(menu_eula) X(menu_exit) X(menu_help) X(menu_ignore_update) X(menu_information) X(menu_open) X(menu_open_location) \
    X(menu_remove) X(menu_roll_back) X(menu_settings) \
    X(new_driver_notify) X(quit_backup_confirm) X(quit_confirm) X(remove_confirm) \
    X(restore_before_update) X(restore_failed) X(restore_no_backup) X(restore_no_driver) X(restore_settings) X(restore_started) \
    X(restore_installed) X(restore_installer_error) \
    X(rollback_damaged) X(rollback_none) X(rollback_no_restore_point) \
    X(scan_item) X(scan_items_scanned) X(scan_scanning) X(scan_scanning_your_computer) \
    X(scan_start_time) X(scan_status) X(scan_status1) X(scan_status2) X(scan_driver_folder) X(scan_time_elapsed) \
    X(scan_waiting) \
    X(sidebar_cpu) X(sidebar_display) X(sidebar_memory) X(sidebar_model) X(sidebar_no_driver) \
    X(sidebar_os) X(sidebar_out_of_date) X(sidebar_score) X(sidebar_see_faq) X(sidebar_sound) \
    X(sidebar_storage) X(sidebar_system_info) X(sidebar_total) X(sidebar_up_to_date) X(sidebar_whql) \
    X(system_close) X(system_dropdown) X(system_maximize) X(system_minimum) X(system_tray_warning) \
    X(top_backup) X(top_download) X(top_home) X(top_restore) X(top_settings) \
    X(update_btn_close) X(update_btn_install) X(update_checking) X(update_closing) X(update_downloading) \
    X(update_fail_busy) X(update_fail_document) X(update_fail_download) X(update_fail_mismatch) \
    X(update_fail_service) X(update_fail_setup) X(update_fail_version) X(update_installed) X(update_installing) \
    X(update_notice) X(update_offer) X(update_title) X(update_up_to_date) X(update_verifying)

namespace tdu {

// One key of the interface texts. Its values are the constants below (and
// lang::no_key), so nothing that asks for a text (a message box, a label)
// takes a loose string: a misspelt key is a build error, not an empty box.
struct language_key_t {
    const char* name;
    constexpr operator std::string_view() const { return name; }
};

constexpr bool operator==(language_key_t a, language_key_t b)
{
    return std::string_view(a) == std::string_view(b);
}

} // namespace tdu

namespace tdu::lang {

#define TDU_LANGUAGE_KEY_NAME(k) inline constexpr language_key_t k{#k};
TDU_LANGUAGE_KEYS(TDU_LANGUAGE_KEY_NAME)
#undef TDU_LANGUAGE_KEY_NAME

// No key: where there is nothing to show (never looked up in the table).
inline constexpr language_key_t no_key{""};

#define TDU_LANGUAGE_KEY_ENTRY(k) k,
inline constexpr language_key_t all_keys[] = {TDU_LANGUAGE_KEYS(TDU_LANGUAGE_KEY_ENTRY)};
#undef TDU_LANGUAGE_KEY_ENTRY

} // namespace tdu::lang
