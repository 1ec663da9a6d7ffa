#include "offers/folder_catalogue.h"

#include "offers/driver_inf.h"
#include "offers/identifier_score.h"
#include "offers/inf_file.h"
#include "offers/inf_text.h"
#include "offers/offer_order.h"
#include "offers/package_files.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <unordered_set>

namespace fs = std::filesystem;

namespace tdu::offers {

const char folder_index_file_name[] = "tdu-drivers.index";

namespace {

// Signature class of a driver whose catalog file is missing (the program
// reads 3 as unsigned), as the service records it.
constexpr unsigned unsigned_sign = 3;
// The first line of an index file; another version is read as no index.
constexpr char index_header[] = "tdu-driver-index\t1";

std::string file_stamp(const fs::path& file, std::error_code& ec)
{
    auto size = fs::file_size(file, ec);
    if (ec) return {};
    auto time = fs::last_write_time(file, ec).time_since_epoch().count();
    return "file:" + std::to_string(size) + ":" + std::to_string(time);
}

// Changes when any file below the folder is added, removed, resized or
// rewritten.
std::string folder_stamp(const fs::path& folder, std::error_code& ec)
{
    std::vector<std::string> lines;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_symlink() || !it->is_regular_file()) continue;
        std::error_code ignored;
        lines.push_back(it->path().lexically_relative(folder).generic_string() + "|" +
                        std::to_string(it->file_size(ignored)) + "|" +
                        std::to_string(it->last_write_time(ignored).time_since_epoch().count()));
    }
    if (ec) return {};
    std::sort(lines.begin(), lines.end());
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    return "folder:" + std::to_string(lines.size()) + ":" + std::to_string(std::hash<std::string>{}(all));
}

std::string folder_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Index fields: TAB between them, so TAB, line ends and '\' are escaped.
std::string escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

std::string unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

std::vector<std::string> split(const std::string& line, char by)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = line.find(by, start);
        parts.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

std::string join(const std::vector<std::string>& parts, char by)
{
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += by;
        out += parts[i];
    }
    return out;
}

void write_package(std::ostream& out, const folder_package_t& p)
{
    out << "P\t" << escape(p.name) << '\t' << escape(p.source) << '\t' << (p.is_folder ? 1 : 0) << '\t'
        << escape(p.stamp) << '\t' << escape(p.file.u8string()) << '\t' << p.size << '\t' << p.sha256 << '\n';
    for (const auto& m : p.models) {
        const offer_t& o = m.offer;
        out << "M";
        for (const std::string* f : {&o.title, &o.version, &o.guid, &o.inf_path, &o.manufacturer, &o.provider,
                                     &o.class_name, &o.date})
            out << '\t' << escape(*f);
        out << '\t' << o.target_os << '\t' << m.feature_x86 << '\t' << m.feature_amd64 << '\t' << m.sign_x86 << '\t'
            << m.sign_amd64 << '\t' << join(m.os_codes, ',');
        for (const auto& id : m.ids) out << '\t' << escape(id);
        out << '\n';
    }
}

unsigned to_unsigned(const std::string& text)
{
    return static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, 10));
}

// Reads an index file; false (and nothing kept) when it is missing or not
// one this version wrote for `language`.
bool read_index(const fs::path& file, const std::string& language, std::map<std::string, folder_package_t>& known)
{
    std::ifstream in(file, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line) || line != std::string(index_header) + "\t" + language) return false;
    folder_package_t* current = nullptr;
    while (std::getline(in, line)) {
        std::vector<std::string> f = split(line, '\t');
        if (f[0] == "P" && f.size() == 8) {
            folder_package_t p;
            p.name = unescape(f[1]);
            p.source = unescape(f[2]);
            p.is_folder = f[3] == "1";
            p.stamp = unescape(f[4]);
            p.file = fs::u8path(unescape(f[5]));
            p.size = std::strtoull(f[6].c_str(), nullptr, 10);
            p.sha256 = f[7];
            current = &(known[p.source] = std::move(p));
        } else if (f[0] == "M" && f.size() >= 15 && current) {
            folder_model_t m;
            offer_t& o = m.offer;
            std::string* fields[] = {&o.title, &o.version, &o.guid, &o.inf_path, &o.manufacturer, &o.provider,
                                     &o.class_name, &o.date};
            for (size_t i = 0; i < 8; ++i) *fields[i] = unescape(f[1 + i]);
            o.target_os = to_unsigned(f[9]);
            m.feature_x86 = to_unsigned(f[10]);
            m.feature_amd64 = to_unsigned(f[11]);
            m.sign_x86 = to_unsigned(f[12]);
            m.sign_amd64 = to_unsigned(f[13]);
            if (!f[14].empty()) m.os_codes = split(f[14], ',');
            for (size_t i = 15; i < f.size(); ++i) m.ids.push_back(unescape(f[i]));
            current->models.push_back(std::move(m));
        } else {
            known.clear();
            return false;
        }
    }
    return true;
}

// Writes the index through a temporary file renamed at the end; false when
// the folder takes no file.
bool write_index(const fs::path& file, const std::vector<folder_package_t>& packages, const std::string& language)
{
    fs::path temp = file;
    temp += ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << index_header << '\t' << language << '\n';
        for (const auto& p : packages) write_package(out, p);
        out.flush();
        if (!out) {
            out.close();
            std::error_code ec;
            fs::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, file, ec);
    if (ec) fs::remove(temp, ec);
    return !ec;
}

// The models of one INF, as the service records them; false (with the
// problem) when the INF is left out.
bool read_inf_models(const std::string& package, const package_contents_t& contents, const package_inf_t& file,
                     const std::string& language, std::vector<folder_model_t>& models,
                     std::vector<std::string>& problems)
{
    std::string label = package + "/" + file.path;
    std::string text, why;
    if (!decode_inf_bytes(file.bytes, text, why)) {
        problems.push_back(label + ": " + why + "; INF left out");
        return false;
    }
    inf_file_t inf;
    inf.set_language(language);
    inf_problem_t problem;
    driver_inf_t driver;
    if (!inf.parse(text, problem) || !read_driver_inf(inf, driver, problem)) {
        problems.push_back(label + (problem.line ? ":" + std::to_string(problem.line) : "") + ": " +
                           problem.message + "; INF left out");
        return false;
    }
    for (const auto& w : driver.warnings)
        problems.push_back(label + ":" + std::to_string(w.line) + ": " + w.message + "; line left out");
    std::string folder = folder_of(file.path);
    auto present = [&](const std::string& name) {
        if (name.empty()) return false;
        std::string wanted = ascii_upper(folder + name);
        for (const auto& e : contents.entries)
            if (ascii_upper(e.path) == wanted) return true;
        return false;
    };
    unsigned sign_x86 = present(catalog_for(driver, "x86")) ? 0 : unsigned_sign;
    unsigned sign_amd64 = present(catalog_for(driver, "amd64")) ? 0 : unsigned_sign;
    for (const auto& maker : driver.manufacturers) {
        std::vector<target_os_t> targets;
        for (const auto& s : maker.sections) targets.push_back(s.target);
        std::vector<std::vector<std::string>> codes(maker.sections.size());
        for (const auto& os : os_profiles()) {
            int chosen = choose_models_section(targets, os);
            if (chosen >= 0) codes[static_cast<size_t>(chosen)].push_back(os.code);
        }
        for (size_t i = 0; i < maker.sections.size(); ++i) {
            // A section no system uses offers nothing.
            if (codes[i].empty()) continue;
            for (const auto& line : maker.sections[i].models) {
                folder_model_t m;
                offer_t& o = m.offer;
                o.title = line.description;
                o.version = driver.version;
                o.guid = driver.class_guid;
                o.inf_path = file.path;
                o.manufacturer = maker.name;
                o.provider = driver.provider;
                o.class_name = driver.class_name;
                o.date = driver.date;
                o.target_os = static_cast<unsigned>(target_os_number(maker.sections[i].target));
                m.feature_x86 = line.feature_x86;
                m.feature_amd64 = line.feature_amd64;
                m.sign_x86 = sign_x86;
                m.sign_amd64 = sign_amd64;
                m.os_codes = codes[i];
                m.ids = line.ids;
                models.push_back(std::move(m));
            }
        }
    }
    return true;
}

bool folder_gone(const fs::path& folder)
{
    std::error_code ec;
    return !fs::is_directory(folder, ec);
}

} // namespace

std::string file_url(const fs::path& file)
{
    std::string path = file.generic_u8string();
    std::string out = "file://";
    if (path.empty() || path[0] != '/') out += '/';
    static const char digits[] = "0123456789ABCDEF";
    for (unsigned char c : path) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == '_' || c == '~' || c == '/' || c == ':';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

bool folder_catalogue_t::index(const folder_index_options_t& options, folder_index_progress_t& progress,
                               folder_index_report_t& report, std::string& error)
{
    report = folder_index_report_t{};
    const fs::path& folder = options.folder;
    std::error_code ec;
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) entries.push_back(*it);
    if (ec) {
        error = "cannot list the driver folder " + folder.u8string() + ": " + ec.message();
        return false;
    }
    std::sort(entries.begin(), entries.end());

    std::map<std::string, folder_package_t> known;
    fs::path beside = folder / folder_index_file_name, cached = options.cache / folder_index_file_name;
    if (!read_index(beside, options.language, known)) read_index(cached, options.language, known);

    struct job_t {
        fs::path source;
        std::string name;
        bool is_folder;
    };
    std::vector<job_t> jobs;
    std::set<std::string> names;
    for (const auto& e : entries) {
        std::string file = e.path().filename().u8string();
        if (file.empty() || file[0] == '.' || file == folder_index_file_name ||
            file == std::string(folder_index_file_name) + ".part")
            continue;
        std::error_code kind;
        job_t job{e.path(), file, false};
        if (e.is_directory(kind)) {
            job.is_folder = true;
            job.name = file + ".zip";
        } else if (!(e.is_regular_file(kind) && file.size() > 4 && ascii_upper(file.substr(file.size() - 4)) == ".ZIP")) {
            report.problems.push_back(file + ": neither a zip archive nor a folder; ignored");
            continue;
        }
        if (!names.insert(ascii_upper(job.name)).second) {
            report.problems.push_back(file + ": a package named " + job.name + " exists already; ignored");
            continue;
        }
        jobs.push_back(std::move(job));
    }
    progress.packages_total.store(static_cast<std::int32_t>(jobs.size()));
    progress.packages_done.store(0);

    std::vector<folder_package_t> packages;
    bool cache_made = false;
    for (const auto& job : jobs) {
        if (options.stop && options.stop->load() != 0) {
            error = "stopped";
            return false;
        }
        std::string source = job.source.filename().u8string();
        std::error_code stamp_error;
        std::string stamp = job.is_folder ? folder_stamp(job.source, stamp_error) : file_stamp(job.source, stamp_error);
        if (stamp_error) {
            if (folder_gone(folder)) {
                error = "the driver folder " + folder.u8string() + " is gone";
                return false;
            }
            report.problems.push_back(source + ": cannot be read (" + stamp_error.message() + "); package left out");
            progress.packages_done.fetch_add(1);
            continue;
        }
        auto old = known.find(source);
        if (old != known.end() && old->second.stamp == stamp && old->second.name == job.name &&
            fs::is_regular_file(old->second.file, ec)) {
            packages.push_back(std::move(old->second));
            ++report.unchanged;
            progress.packages_done.fetch_add(1);
            continue;
        }
        folder_package_t p;
        p.name = job.name;
        p.source = source;
        p.is_folder = job.is_folder;
        p.stamp = stamp;
        p.file = job.source;
        std::string why;
        bool ok = true;
        if (job.is_folder) {
            if (!cache_made) {
                fs::create_directories(options.cache, ec);
                cache_made = true;
            }
            p.file = options.cache / job.name;
            ok = zip_folder(job.source, p.file, why);
        }
        package_contents_t contents;
        ok = ok && read_zip_package(p.file, contents, why);
        if (ok) {
            p.size = fs::file_size(p.file, ec);
            if (ec || !options.digest || !options.digest(p.file, p.sha256)) {
                ok = false;
                why = "cannot be read to its end";
            }
        }
        if (!ok) {
            if (folder_gone(folder)) {
                error = "the driver folder " + folder.u8string() + " is gone";
                return false;
            }
            report.problems.push_back(source + ": " + why + "; package left out");
            progress.packages_done.fetch_add(1);
            continue;
        }
        for (const auto& problem : contents.problems) report.problems.push_back(p.name + "/" + problem + "; file left out");
        int usable = 0;
        for (const auto& inf : contents.infs)
            usable += read_inf_models(p.name, contents, inf, options.language, p.models, report.problems) ? 1 : 0;
        if (usable == 0) report.problems.push_back(p.name + ": no usable driver INF; nothing to offer");
        ++report.read;
        packages.push_back(std::move(p));
        progress.packages_done.fetch_add(1);
    }
    // Folder packages zipped by an earlier run for folders since removed
    // (a set of the kept files: a search of the list for each known
    // package made a later run over many packages quadratic).
    std::unordered_set<std::string> kept;
    kept.reserve(packages.size());
    for (const auto& p : packages) kept.insert(p.file.u8string());
    for (const auto& [source, old] : known) {
        if (old.is_folder && !kept.count(old.file.u8string()) && old.file.parent_path() == options.cache)
            fs::remove(old.file, ec);
    }
    if (folder_gone(folder)) {
        error = "the driver folder " + folder.u8string() + " is gone";
        return false;
    }
    folder_ = folder;
    packages_ = std::move(packages);
    build_lookup();
    for (const auto& p : packages_) report.models += static_cast<int>(p.models.size());
    // The index beside the folder when it takes a file; else in the cache.
    if (report.read > 0 || known.size() != packages_.size() || !fs::exists(beside, ec)) {
        if (write_index(beside, packages_, options.language)) {
            report.index_written = true;
            report.index_file = beside;
        } else if (fs::create_directories(options.cache, ec), write_index(cached, packages_, options.language)) {
            report.index_written = true;
            report.index_file = cached;
        }
    }
    return true;
}

void folder_catalogue_t::build_lookup()
{
    by_id_.clear();
    std::int64_t next_id = 0;
    for (auto& p : packages_) {
        for (auto& m : p.models) {
            m.offer.model_id = ++next_id;
            m.offer.package = p.name;
            m.offer.sha256 = p.sha256;
            m.offer.size = p.size;
            m.offer.link = file_url(p.file);
            for (size_t i = 0; i < m.ids.size(); ++i)
                if (!m.ids[i].empty()) by_id_[ascii_upper(m.ids[i])].push_back({&m, i});
        }
    }
}

std::vector<offer_t> folder_catalogue_t::find(const device_query_t& device, const os_profile_t& os,
                                              std::size_t limit) const
{
    bool amd64 = std::string_view(os.architecture) == "amd64";
    std::map<std::int64_t, offer_t> by_model;
    auto add = [&](const std::string& id, bool hardware, std::size_t position) {
        if (id.empty()) return;
        auto rows = by_id_.find(ascii_upper(id));
        if (rows == by_id_.end()) return;
        for (const auto& row : rows->second) {
            const folder_model_t& m = *row.model;
            if (std::find(m.os_codes.begin(), m.os_codes.end(), os.code) == m.os_codes.end()) continue;
            // The service offers no package the program could not size.
            if (m.offer.size > max_offered_package_size) continue;
            unsigned cp = identifier_score(hardware, position, row.position);
            auto found = by_model.find(m.offer.model_id);
            if (found == by_model.end()) {
                offer_t& o = by_model.emplace(m.offer.model_id, m.offer).first->second;
                o.hardid = m.ids[row.position];
                o.cp = cp;
                o.feature = amd64 ? m.feature_amd64 : m.feature_x86;
                o.sign = amd64 ? m.sign_amd64 : m.sign_x86;
            } else if (cp < found->second.cp) {
                found->second.cp = cp;
                found->second.hardid = m.ids[row.position];
            }
        }
    };
    for (std::size_t i = 0; i < device.hardware_ids.size(); ++i) add(device.hardware_ids[i], true, i);
    for (std::size_t i = 0; i < device.compatible_ids.size(); ++i) add(device.compatible_ids[i], false, i);
    std::vector<offer_t> out;
    for (auto& [id, offer] : by_model) out.push_back(std::move(offer));
    std::sort(out.begin(), out.end(), offer_ranks_before);
    if (out.size() > limit) out.resize(limit);
    return out;
}

bool folder_catalogue_t::answer(std::vector<std::pair<std::string, device_query_t>> devices,
                                const std::string& os_code, unsigned ansi_code_page, std::size_t offers_per_device,
                                std::string& document) const
{
    const os_profile_t* os = find_os_profile(os_code);
    std::vector<answer_device_t> answered;
    answered.reserve(devices.size());
    for (auto& [id, query] : devices) {
        answer_device_t a;
        a.id_bytes = std::move(id);
        if (os) {
            a.offers = find(query, *os, max_offers_per_device);
            keep_best_offers(a.offers, *os, offers_per_device);
        }
        answered.push_back(std::move(a));
    }
    answer_context_t context;
    context.base_url = file_url(folder_) + "/";
    context.ansi_code_page = ansi_code_page;
    if (!fit_answer_budget(answered, context)) return false;
    document = build_update_answer(answered, context);
    return true;
}

} // namespace tdu::offers
