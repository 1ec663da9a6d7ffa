// The in-memory registry: a tree of keys with typed values, answering the
// calls of registry_key_c the way the Win32 registry does (the same tests
// run against both).
#include "app/registry.h"

#include "common/ignore_case.h"

#include <algorithm>
#include <cstring>

namespace tdu {

constexpr long reg_key_deleted = 1018;      // ERROR_KEY_DELETED
constexpr uint32_t key_query_value = 0x0001;
constexpr uint32_t key_set_value = 0x0002;

struct memory_registry_c::node_t {
    // Both maps are keyed by the upper-case form of the name, since key and
    // value names are compared without regard to case.
    std::map<u16, std::shared_ptr<node_t>> children;
    std::map<u16, value_t> values;
    bool deleted = false;

    void mark_deleted()
    {
        deleted = true;
        for (auto& c : children) c.second->mark_deleted();
    }
};

namespace {

std::vector<u16> split_path(u16view path)
{
    std::vector<u16> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == u16view::npos) end = path.size();
        if (end > start) parts.push_back(upper_case(path.substr(start, end - start)));
        start = end + 1;
    }
    return parts;
}

u16 value_name(const char16_t* name) { return name ? upper_case(u16view(name)) : u16(); }

class memory_key_c final : public registry_key_c {
public:
    memory_key_c(std::shared_ptr<memory_registry_c::node_t> node, uint32_t access)
        : node_(std::move(node)), access_(access) {}

    long query_value(const char16_t* name, uint32_t* type, void* data, uint32_t* size) override
    {
        if (node_->deleted) return reg_key_deleted;
        if (!(access_ & key_query_value)) return reg_access_denied;
        if (data && !size) return reg_invalid_parameter;
        auto it = node_->values.find(value_name(name));
        if (it == node_->values.end()) return reg_file_not_found;
        const auto& v = it->second;
        if (type) *type = v.type;
        if (!size) return reg_ok;
        uint32_t room = *size;
        *size = static_cast<uint32_t>(v.data.size());
        if (!data) return reg_ok;
        if (room < v.data.size()) return reg_more_data;
        if (!v.data.empty()) std::memcpy(data, v.data.data(), v.data.size());
        return reg_ok;
    }

    long set_value(const char16_t* name, uint32_t type, const void* data, uint32_t size) override
    {
        if (node_->deleted) return reg_key_deleted;
        if (!(access_ & key_set_value)) return reg_access_denied;
        if (size && !data) return reg_invalid_parameter;
        auto& v = node_->values[value_name(name)];
        v.type = type;
        const auto* bytes = static_cast<const uint8_t*>(data);
        v.data.assign(bytes, bytes + size);
        return reg_ok;
    }

    long delete_value(const char16_t* name) override
    {
        if (node_->deleted) return reg_key_deleted;
        if (!(access_ & key_set_value)) return reg_access_denied;
        return node_->values.erase(value_name(name)) ? reg_ok : reg_file_not_found;
    }

private:
    std::shared_ptr<memory_registry_c::node_t> node_;
    uint32_t access_;
};

} // namespace

memory_registry_c::memory_registry_c() : root_(std::make_shared<node_t>()) {}
memory_registry_c::~memory_registry_c() = default;

void memory_registry_c::deny(u16view subkey) { denied_.push_back(upper_case(subkey)); }
void memory_registry_c::deny_writes(u16view subkey) { write_denied_.push_back(upper_case(subkey)); }

long memory_registry_c::create_key(u16view subkey, uint32_t access, std::unique_ptr<registry_key_c>& out,
                                   uint32_t* disposition)
{
    out.reset();
    auto parts = split_path(subkey);
    u16 wanted = upper_case(subkey);
    if (std::find(denied_.begin(), denied_.end(), wanted) != denied_.end()) return reg_access_denied;
    auto node = root_;
    bool created = false;
    for (const auto& part : parts) {
        auto& child = node->children[part];
        if (!child) {
            child = std::make_shared<node_t>();
            created = true;
        }
        node = child;
    }
    if (disposition) *disposition = created ? reg_created_new_key : reg_opened_existing_key;
    if (std::find(write_denied_.begin(), write_denied_.end(), wanted) != write_denied_.end())
        access &= ~key_set_value;
    out = std::make_unique<memory_key_c>(node, access);
    return reg_ok;
}

long memory_registry_c::delete_tree(u16view subkey)
{
    auto parts = split_path(subkey);
    if (parts.empty()) return reg_invalid_parameter;
    auto node = root_;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        auto it = node->children.find(parts[i]);
        if (it == node->children.end()) return reg_file_not_found;
        node = it->second;
    }
    auto it = node->children.find(parts.back());
    if (it == node->children.end()) return reg_file_not_found;
    it->second->mark_deleted();
    node->children.erase(it);
    return reg_ok;
}

} // namespace tdu
