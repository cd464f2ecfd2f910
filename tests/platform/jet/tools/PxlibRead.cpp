// Prints a Paradox table as pxlib reads it, for the tests to compare:
//   version <file version>
//   keys <primary key fields>
//   field <name> <type> <length>     (one line per field)
//   record <value>|<value>|...       (one line per record, in file order)
//   index ok | index failed          (with a primary index file given)
// Values: alpha fields as their bytes without trailing blanks, numbers in
// up to 15 digits, dates as year-month-day; "-" for a field of zero bytes
// (Null). Usage: pxlib_read <table.db> [<table.px>]
//
// A program of its own, built without the sanitizers: pxlib 0.6.8 takes a
// Paradox 3 table's encryption from a local variable it never sets, whose
// value then comes from what the calls before it left on the stack. Without
// the sanitizers' stand-ins for the C library those are the same every time
// and leave it 0.
extern "C" {
#include <paradox.h>
}

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string Value(pxdoc_t* doc, char* data, const pxfield_t& field)
{
    if (std::all_of(data, data + field.px_flen, [](char byte) { return byte == 0; }))
        return "-";
    char text[64];
    switch (field.px_ftype) {
    case pxfAlpha: {
        std::string bytes(data, static_cast<std::size_t>(field.px_flen));
        bytes = bytes.substr(0, bytes.find('\0'));
        return bytes.substr(0, bytes.find_last_not_of(' ') + 1);
    }
    case pxfShort: {
        short value = 0;
        PX_get_data_short(doc, data, field.px_flen, &value);
        return std::to_string(value);
    }
    case pxfLong:
    case pxfAutoInc: {
        long value = 0;
        PX_get_data_long(doc, data, field.px_flen, &value);
        return std::to_string(value);
    }
    case pxfDate: {
        long value = 0;
        PX_get_data_long(doc, data, field.px_flen, &value);
        int year = 0, month = 0, day = 0;
        PX_SdnToGregorian(value + 1721425, &year, &month, &day);
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
        return text;
    }
    case pxfNumber:
    case pxfCurrency: {
        double value = 0;
        PX_get_data_double(doc, data, field.px_flen, &value);
        std::snprintf(text, sizeof text, "%.15g", value);
        return text;
    }
    case pxfLogical: {
        char value = 0;
        PX_get_data_byte(doc, data, field.px_flen, &value);
        return value ? "1" : "0";
    }
    default: return "?";
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    pxdoc_t* doc = PX_new();
    if (PX_open_file(doc, argv[1]) != 0)
        return 1;
    std::printf("version %d\nkeys %d\n", doc->px_head->px_fileversion, doc->px_head->px_primarykeyfields);
    const int fields = PX_get_num_fields(doc);
    for (int f = 0; f < fields; ++f) {
        const pxfield_t* field = PX_get_field(doc, f);
        std::printf("field %s %d %d\n", field->px_fname, field->px_ftype, field->px_flen);
    }
    if (argc > 2) {
        pxdoc_t* index = PX_new();
        const bool read = PX_open_file(index, argv[2]) == 0 && PX_read_primary_index(index) == 0
            && PX_add_primary_index(doc, index) == 0;
        std::printf("index %s\n", read ? "ok" : "failed");
    }
    std::string record(static_cast<std::size_t>(PX_get_recordsize(doc)), '\0');
    for (int r = 0; r < PX_get_num_records(doc); ++r) {
        if (!PX_get_record(doc, r, record.data()))
            return 1;
        std::string line = "record ";
        int offset = 0;
        for (int f = 0; f < fields; ++f) {
            const pxfield_t* field = PX_get_field(doc, f);
            line += (f ? "|" : "") + Value(doc, record.data() + offset, *field);
            offset += field->px_flen;
        }
        std::printf("%s\n", line.c_str());
    }
    return 0;
}
