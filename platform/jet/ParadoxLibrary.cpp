// pxlib, which reads and writes Paradox tables, loaded with the libraries it
// brings (libgsf, GIO, libxml2) when a Paradox table is first opened or
// written: the functions of it that the Paradox reader and writer call, each
// forwarding to the library's own (platform/system/LazyLibrary.h says how).
#include "platform/system/LazyLibrary.h"

#include <cstddef>
#include <cstdio>

// pxlib declares its functions without C linkage of their own.
extern "C" {
#include <paradox.h>
}

namespace {

platform::TLazyLibrary& Pxlib()
{
    static platform::TLazyLibrary library("px", 0);
    return library;
}

} // namespace

pxdoc_t* PX_new3(void (*errorhandler)(pxdoc_t* p, int type, const char* msg, void* data),
                 void* (*allocproc)(pxdoc_t* p, size_t size, const char* caller),
                 void* (*reallocproc)(pxdoc_t* p, void* mem, size_t size, const char* caller),
                 void (*freeproc)(pxdoc_t* p, void* mem), void* errorhandler_user_data)
{
    return Pxlib().Function<&PX_new3>("PX_new3")(errorhandler, allocproc, reallocproc, freeproc,
                                                 errorhandler_user_data);
}

int PX_open_file(pxdoc_t* pxdoc, const char* filename)
{
    return Pxlib().Function<&PX_open_file>("PX_open_file")(pxdoc, filename);
}

int PX_open_fp(pxdoc_t* pxdoc, FILE* fp)
{
    return Pxlib().Function<&PX_open_fp>("PX_open_fp")(pxdoc, fp);
}

int PX_write_primary_index(pxdoc_t* pxdoc, pxdoc_t* pxindex)
{
    return Pxlib().Function<&PX_write_primary_index>("PX_write_primary_index")(pxdoc, pxindex);
}

int PX_create_fp(pxdoc_t* pxdoc, pxfield_t* pxf, int numfields, FILE* fp, int type)
{
    return Pxlib().Function<&PX_create_fp>("PX_create_fp")(pxdoc, pxf, numfields, fp, type);
}

void* PX_get_opaque(pxdoc_t* pxdoc)
{
    return Pxlib().Function<&PX_get_opaque>("PX_get_opaque")(pxdoc);
}

int PX_set_parameter(pxdoc_t* pxdoc, const char* name, const char* value)
{
    return Pxlib().Function<&PX_set_parameter>("PX_set_parameter")(pxdoc, name, value);
}

int PX_set_value(pxdoc_t* pxdoc, const char* name, float value)
{
    return Pxlib().Function<&PX_set_value>("PX_set_value")(pxdoc, name, value);
}

int PX_set_blob_fp(pxdoc_t* pxdoc, FILE* fp)
{
    return Pxlib().Function<&PX_set_blob_fp>("PX_set_blob_fp")(pxdoc, fp);
}

pxfield_t* PX_get_field(pxdoc_t* pxdoc, int i)
{
    return Pxlib().Function<&PX_get_field>("PX_get_field")(pxdoc, i);
}

int PX_get_num_fields(pxdoc_t* pxdoc)
{
    return Pxlib().Function<&PX_get_num_fields>("PX_get_num_fields")(pxdoc);
}

int PX_get_num_records(pxdoc_t* pxdoc)
{
    return Pxlib().Function<&PX_get_num_records>("PX_get_num_records")(pxdoc);
}

char* PX_get_record(pxdoc_t* pxdoc, int recno, char* data)
{
    return Pxlib().Function<&PX_get_record>("PX_get_record")(pxdoc, recno, data);
}

int PX_get_data_double(pxdoc_t* pxdoc, char* data, int len, double* value)
{
    return Pxlib().Function<&PX_get_data_double>("PX_get_data_double")(pxdoc, data, len, value);
}

int PX_get_data_long(pxdoc_t* pxdoc, char* data, int len, long* value)
{
    return Pxlib().Function<&PX_get_data_long>("PX_get_data_long")(pxdoc, data, len, value);
}

int PX_get_data_short(pxdoc_t* pxdoc, char* data, int len, short int* value)
{
    return Pxlib().Function<&PX_get_data_short>("PX_get_data_short")(pxdoc, data, len, value);
}

int PX_get_data_byte(pxdoc_t* pxdoc, char* data, int len, char* value)
{
    return Pxlib().Function<&PX_get_data_byte>("PX_get_data_byte")(pxdoc, data, len, value);
}

int PX_get_recordsize(pxdoc_t* pxdoc)
{
    return Pxlib().Function<&PX_get_recordsize>("PX_get_recordsize")(pxdoc);
}

void PX_put_data_alpha(pxdoc_t* pxdoc, char* data, int len, char* value)
{
    Pxlib().Function<&PX_put_data_alpha>("PX_put_data_alpha")(pxdoc, data, len, value);
}

void PX_put_data_double(pxdoc_t* pxdoc, char* data, int len, double value)
{
    Pxlib().Function<&PX_put_data_double>("PX_put_data_double")(pxdoc, data, len, value);
}

void PX_put_data_long(pxdoc_t* pxdoc, char* data, int len, int value)
{
    Pxlib().Function<&PX_put_data_long>("PX_put_data_long")(pxdoc, data, len, value);
}

void PX_put_data_short(pxdoc_t* pxdoc, char* data, int len, short int value)
{
    Pxlib().Function<&PX_put_data_short>("PX_put_data_short")(pxdoc, data, len, value);
}

void PX_put_data_byte(pxdoc_t* pxdoc, char* data, int len, char value)
{
    Pxlib().Function<&PX_put_data_byte>("PX_put_data_byte")(pxdoc, data, len, value);
}

int PX_put_data_blob(pxdoc_t* pxdoc, char* data, int len, char* value, int valuelen)
{
    return Pxlib().Function<&PX_put_data_blob>("PX_put_data_blob")(pxdoc, data, len, value, valuelen);
}

int PX_put_record(pxdoc_t* pxdoc, char* data)
{
    return Pxlib().Function<&PX_put_record>("PX_put_record")(pxdoc, data);
}

long int PX_GregorianToSdn(int year, int month, int day)
{
    return Pxlib().Function<&PX_GregorianToSdn>("PX_GregorianToSdn")(year, month, day);
}

char* PX_strdup(pxdoc_t* pxdoc, const char* str)
{
    return Pxlib().Function<&PX_strdup>("PX_strdup")(pxdoc, str);
}

void PX_close(pxdoc_t* pxdoc)
{
    Pxlib().Function<&PX_close>("PX_close")(pxdoc);
}

void PX_delete(pxdoc_t* pxdoc)
{
    Pxlib().Function<&PX_delete>("PX_delete")(pxdoc);
}
