#include "ReportTransfer.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

// Names the encoding; a helper of another build refuses the bytes.
constexpr std::string_view header = "vestrel report content 1\n";

class Writer
{
public:
    std::string bytes{header};

    void operator()(const std::string& text)
    {
        count(text.size());
        bytes += text;
    }
    void operator()(double v) { raw(&v, sizeof v); }
    void operator()(bool b) { bytes += b ? '\1' : '\0'; }
    void operator()(const Lab& lab)
    {
        (*this)(lab.L);
        (*this)(lab.a);
        (*this)(lab.b);
    }
    template <class Enum>
    void choice(Enum value, uint32_t)
    {
        count(static_cast<uint32_t>(value));
    }
    template <class Item, class Each>
    void list(const std::vector<Item>& items, Each each)
    {
        count(items.size());
        for (const Item& item : items)
            each(item);
    }

private:
    void count(std::size_t n)
    {
        const uint32_t v = static_cast<uint32_t>(n);
        raw(&v, sizeof v);
    }
    void raw(const void* data, std::size_t size) { bytes.append(static_cast<const char*>(data), size); }
};

// Every read checks what is left; a failed read leaves ok false and
// makes every later read fail too.
class Reader
{
public:
    explicit Reader(const std::string& bytes)
        : ok(bytes.compare(0, header.size(), header) == 0), bytes_(bytes), at_(header.size())
    {
    }

    bool ok;

    bool atEnd() const { return at_ == bytes_.size(); }
    void operator()(std::string& text)
    {
        const uint32_t n = count();
        if (take(n))
            text.assign(bytes_, at_ - n, n);
    }
    void operator()(double& v) { raw(&v, sizeof v); }
    void operator()(bool& b)
    {
        char c = 0;
        raw(&c, 1);
        ok = ok && (c == 0 || c == 1);
        b = c == 1;
    }
    void operator()(Lab& lab)
    {
        (*this)(lab.L);
        (*this)(lab.a);
        (*this)(lab.b);
    }
    template <class Enum>
    void choice(Enum& value, uint32_t choices)
    {
        const uint32_t v = count();
        ok = ok && v < choices;
        value = ok ? static_cast<Enum>(v) : Enum();
    }
    template <class Item, class Each>
    void list(std::vector<Item>& items, Each each)
    {
        // Item by item, each read before it is kept: a damaged count
        // ends with the bytes, never allocates ahead of them.
        const uint32_t n = count();
        items.clear();
        for (uint32_t i = 0; ok && i < n; ++i) {
            Item item{};
            each(item);
            if (ok)
                items.push_back(std::move(item));
        }
    }

private:
    uint32_t count()
    {
        uint32_t v = 0;
        raw(&v, sizeof v);
        return v;
    }
    bool take(std::size_t n)
    {
        ok = ok && n <= bytes_.size() - at_;
        if (ok)
            at_ += n;
        return ok;
    }
    void raw(void* data, std::size_t size)
    {
        if (take(size))
            std::memcpy(data, bytes_.data() + at_ - size, size);
    }

    const std::string& bytes_;
    std::size_t at_;
};

// Every field once, for writing (Content const) and reading alike.
template <class Io, class Content>
void exchange(Io& io, Content& c)
{
    io(c.title);
    io(c.created);
    io.list(c.sections, [&](auto& section) {
        io(section.title);
        io.list(section.fields, [&](auto& field) {
            io(field.label);
            io(field.value);
        });
    });
    io.choice(c.metric, 2);
    io.list(c.summary, [&](auto& row) {
        io(row.label);
        for (auto& figure : row.figures)
            io(figure);
        io(row.limit);
        io.choice(row.before, 3);
        io.choice(row.after, 3);
    });
    io(c.verdict);

    auto& plots = c.plots;
    io.choice(plots.metric, 2);
    io(plots.limits.mean);
    io(plots.limits.maximum);
    io(plots.limits.neutralMean);
    io.list(plots.patches, [&](auto& p) {
        io(p.reference);
        io(p.measured);
        io(p.hasResult);
        io(p.predicted);
        io(p.before);
        io(p.after);
        io(p.selected);
    });
    io(plots.anySelected);
    io(plots.anyResult);
    auto& w = plots.words;
    for (auto* word : {&w.histogram, &w.sorted, &w.plane, &w.planeMagnified, &w.nothingToShow, &w.patchCount,
                       &w.patchShare, &w.before, &w.after, &w.selected, &w.predicted, &w.maximumLimit})
        io(*word);

    io.list(c.patches, [&](auto& row) {
        io(row.id);
        io(row.name);
        io(row.hasReference);
        io(row.hasMeasured);
        io(row.hasResult);
        io(row.reference);
        io(row.measured);
        io(row.remaining);
        io(row.before1976);
        io(row.before2000);
        io(row.after1976);
        io(row.after2000);
        io(row.leftOutBy);
    });
}

} // namespace

std::string encodeReportContent(const ReportContent& content)
{
    Writer writer;
    exchange(writer, content);
    return writer.bytes;
}

bool decodeReportContent(const std::string& bytes, ReportContent& content, std::string& problem)
{
    Reader reader(bytes);
    if (!reader.ok) {
        problem = "the report content is of another version";
        return false;
    }
    exchange(reader, content);
    if (!reader.ok || !reader.atEnd()) {
        problem = "the report content is incomplete or damaged";
        return false;
    }
    return true;
}
