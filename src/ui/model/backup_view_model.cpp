#include "ui/model/backup_view_model.h"

#include <algorithm>

namespace tdu {

u16 system_inf_path(u16view inf_folder, u16view inf_name)
{
    u16 path(inf_folder);
    if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path += u'\\';
    path += inf_name;
    return path;
}

std::vector<detail_line_t> backup_detail_lines(const device_t* d, u16view inf_folder)
{
    std::vector<detail_line_t> lines = {
        {lang::device_detail_list_device_id, {}},    {lang::device_detail_list_device_desc, {}},
        {lang::device_detail_list_manufacturer, {}}, {lang::device_detail_list_inf_name, {}},
        {lang::device_detail_list_inf_date, {}},     {lang::device_detail_list_inf_version, {}},
    };
    if (!d) return lines;
    lines[0].value = d->device_id;
    lines[1].value = d->name;
    lines[2].value = d->provider_name;
    lines[3].value = system_inf_path(inf_folder, d->inf_path);
    lines[4].value = d->driver_date;
    lines[5].value = d->driver_version;
    return lines;
}

std::vector<detail_line_t> restore_detail_lines(const backup_device_t* r, u16view inf_folder)
{
    std::vector<detail_line_t> lines = {
        {lang::backup_date, {}},
        {lang::device_detail_list_device_id, {}},
        {lang::device_detail_list_device_desc, {}},
        {lang::device_detail_list_manufacturer, {}},
        {lang::device_detail_list_inf_name, {}},
        {lang::device_detail_list_inf_date, {}},
        {lang::device_detail_list_inf_version, {}},
    };
    if (!r) return lines;
    lines[0].value = r->backup_date;
    lines[1].value = r->device_id;
    lines[2].value = r->desc;
    lines[3].value = r->manu;
    lines[4].value = system_inf_path(inf_folder, r->name);
    lines[5].value = r->date;
    lines[6].value = r->version;
    return lines;
}

float backup_fraction(int32_t progress, int32_t ticked_count)
{
    if (ticked_count <= 0 || progress <= 0) return 0.0f;
    const double full = static_cast<double>(ticked_count) * 100.0;
    return static_cast<float>(std::min(1.0, static_cast<double>(progress) / full));
}

layout_rect_t backup_progress_rect(int width)
{
    layout_rect_t r{320, 430, width - 20, 450};
    if (r.right < r.left) r.right = r.left;
    return r;
}

} // namespace tdu
