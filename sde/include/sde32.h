/*
 * sde32: the database engine for dBASE/FoxPro-family tables.
 *
 * A C interface in the xBase tradition: a process-wide set of numbered work
 * areas, one of them current; every call below works on the current area
 * unless it takes an area number. Texts are bytes (code page 949 in report
 * files) and are never converted. Strings returned as `const char*` stay valid
 * until the next call on the same work area (or until it closes).
 *
 * Failures return 0 / NULL / false; sx_LastError() then tells what failed,
 * in which file and at which record or offset. Nothing here aborts or throws,
 * whatever the files hold.
 *
 * Threading: one thread at a time (the engine keeps process-wide state).
 */
#ifndef SDE32_H
#define SDE32_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#  ifdef SDE32_BUILD
#    define SDE_API __declspec(dllexport)
#  else
#    define SDE_API __declspec(dllimport)
#  endif
#else
#  define SDE_API __attribute__((visibility("default")))
#endif

/* Open modes of sx_Use. */
#define SX_SHARED 0
#define SX_READONLY 1
#define SX_EXCLUSIVE 2

/* Index drivers of sx_Use / sx_CreateNew. Each is served by its own driver
 * library (sdentx32, sdecdx32, sdensx32), loaded when first needed; opening
 * with a driver whose library is missing fails. */
#define SX_NTX 1
#define SX_FOX 2 /* FoxPro tables with .cdx compound indexes */
#define SX_NSX 3

/* Value types of sx_Replace. */
#define SX_R_STRING 1 /* zero-terminated text; padded or cut to the field width */
#define SX_R_DOUBLE 2 /* const double* */
#define SX_R_INTEGER 3 /* const long* */
#define SX_R_LOGICAL 4 /* const int*: 0 false, otherwise true */
#define SX_R_DATESTR 5 /* "YYYYMMDD" */
#define SX_R_MEMO 6 /* zero-terminated text into a memo field */

/* sx_LastErrorKind values. */
#define SX_ERR_NONE 0
#define SX_ERR_OTHER 1
#define SX_ERR_BUSY 2 /* another program holds the file or record */

/* sx_SysProp queries. */
#define SX_SP_WORKAREAS 1 /* number of open work areas */
#define SX_SP_MAXAREAS 2 /* highest work-area number allowed */
#define SX_SP_MEMOBLOCK 3 /* memo block size of the current table */
#define SX_SP_HEADERSIZE 4 /* header length of the current table */
#define SX_SP_MISSINGBYTES 5 /* bytes the current table's file lacks for the records its header counts */
#define SX_SP_UNCOUNTEDRECORDS 6 /* whole records the current table's file holds past the count in its header */

/* ---- Set-up ---- */
SDE_API int sx_SetStringType(int type); /* 1: zero-terminated strings; returns previous */
SDE_API int sx_ErrorLevel(int level); /* returns previous */
SDE_API const char* sx_Version(void);
SDE_API long sx_SysProp(int prop);
SDE_API const char* sx_LastError(void); /* "" when the last failing call left none */
SDE_API int sx_LastErrorKind(void); /* SX_ERR_* of the last failure */

/* Test seam: the nth file write (SX_FAULT_WRITE) or flush (SX_FAULT_SYNC) from
   now on fails once as a failing disk would; nth 0 disarms. */
#define SX_FAULT_WRITE 0
#define SX_FAULT_SYNC 1
SDE_API void sx_FailNthFileOperation(int operation, long nth);

/* ---- Switches (process-wide, apply to every area) ---- */
SDE_API void sx_SetDeleted(int on);
SDE_API void sx_SetExact(int on);
SDE_API void sx_SetCentury(int on);
SDE_API void sx_SetSoftSeek(int on);
SDE_API void sx_SetEpoch(int year);
SDE_API void sx_SetDateFormat(int format); /* 0..6 as TApolloDateFrmt, 99 system default */
SDE_API void sx_SetLockTimeout(int seconds);
SDE_API void sx_SetMemoBlockSize(int size); /* block size of memo files created later */
SDE_API void sx_SetTurboRead(int on);
/* Asked with data between chunks of records while an order is built (an index
   or a temporary order); a non-zero answer stops the build, which then fails
   and leaves no order. NULL: never asked. Called on the building thread; it
   must return quickly. */
typedef int (*SX_STOPPROC)(void* data);
SDE_API void sx_SetStopProc(SX_STOPPROC proc, void* data);

/* ---- Work areas ---- */
/* Opens path (a .dbf) under alias; returns the new area, 0 on failure. The
 * alias must be free (see sx_WorkArea). The new area becomes current. */
SDE_API int sx_Use(const char* path, const char* alias, int openMode, int driver);
SDE_API void sx_Close(void);
SDE_API void sx_CloseAll(void);
SDE_API int sx_Select(int area); /* returns the area selected before */
SDE_API int sx_WorkArea(const char* alias); /* area of alias (case-insensitive), 0 if none; NULL: current area */
SDE_API const char* sx_Alias(int area); /* area 0: current */
SDE_API const char* sx_BaseName(void); /* file name of the current table without directory and extension */

/* ---- Navigation (in the current order; with sx_SetDeleted(1) deleted records are skipped) ---- */
SDE_API void sx_GoTop(void);
SDE_API void sx_GoBottom(void);
SDE_API void sx_Skip(long count);
SDE_API void sx_Go(long recNo);
SDE_API long sx_RecNo(void); /* RecCount + 1 at end of file */
SDE_API long sx_RecCount(void); /* all records, deleted ones included */
SDE_API int sx_Eof(void);
SDE_API int sx_Bof(void);
SDE_API int sx_Deleted(void);

/* ---- Reading ---- */
SDE_API int sx_FieldCount(void);
SDE_API const char* sx_FieldName(int fieldNum); /* 1-based; NULL when out of range */
SDE_API int sx_FieldNum(const char* name); /* 1-based, 0 when absent (case-insensitive) */
SDE_API const char* sx_FieldType(
    const char* name); /* "C", "N", "F", "D", "L", "M", "I", "B", "Y", "T", "G", "P"; "" if absent */
SDE_API int sx_FieldWidth(const char* name);
SDE_API int sx_FieldDecimals(const char* name);
SDE_API int sx_FieldOffset(const char* name); /* offset in the record, deletion flag at 0 */
SDE_API int sx_RecSize(void);
SDE_API int sx_GetRecord(char* buffer); /* copies sx_RecSize() bytes of the current record */
SDE_API const char* sx_GetString(const char* name); /* field as text: C padded to width; N/F as stored; D "YYYYMMDD"; L
                                                       "T"/"F"; I/B/Y/T as decimal text */
SDE_API const char* sx_GetTrimString(const char* name); /* the same with leading and trailing blanks removed */
SDE_API const char* sx_GetDateString(const char* name); /* date in the current date format */
SDE_API int sx_GetLogical(const char* name);
SDE_API double sx_GetDouble(const char* name); /* N, F, I, B, Y as a number; 0 when blank */
SDE_API long sx_GetLong(const char* name);
SDE_API int sx_Empty(const char* name); /* blank / zero / no memo */
/* Memo text as one zero-terminated string (malloc'ed; free with sx_MemDealloc).
 * lineWidth 0: no wrapping. An empty memo gives "". NULL on error. */
SDE_API char* sx_GetMemo(const char* name, int lineWidth);
SDE_API long sx_GetBlobLength(const char* name);
SDE_API long sx_GetBlob(const char* name, void* buffer, long size); /* bytes copied */
SDE_API void sx_MemDealloc(void* p);

/* ---- Writing ---- */
/* In shared mode a record must be locked before it is changed; sx_Commit posts
 * the current record and sx_Unlock releases it. Locks are operating-system
 * byte-range locks, seen by other processes. */
SDE_API int sx_Rlock(long recNo);
SDE_API void sx_Unlock(long recNo); /* 0: all locks of the area */
SDE_API int sx_Replace(const char* name, int type, const void* value);
/* Memo of any length, any bytes. The new text goes to freshly allocated blocks,
 * flushed before the memo header and then the record point to it, so an
 * interrupted write leaves the old or the new text readable. */
SDE_API int sx_PutBlob(const char* name, const void* data, long length);
SDE_API int sx_PutRecord(const char* buffer);
SDE_API int sx_AppendEx(void); /* appends a blank record, makes it current; returns its number */
SDE_API int sx_Delete(void);
SDE_API int sx_Recall(void);
SDE_API int sx_Commit(void); /* posts the pending record and updates the header */

/* ---- Creating tables ---- */
/* sx_CreateNew starts a definition; sx_CreateField adds fields in order;
 * sx_CreateExec writes the files (.dbf and, with memo fields, .fpt or .dbt)
 * and opens the table exclusively, returning its area (0 on failure).
 * Version byte: 0xF5 with memo fields for SX_FOX, 0x03/0x83 otherwise. */
SDE_API int sx_CreateNew(const char* path, const char* alias, int driver, int fieldCount);
SDE_API int sx_CreateField(const char* name, const char* type, int width, int decimals);
SDE_API int sx_CreateExec(void);

/* ---- Indexes and orders ----
 * Orders are numbered from 1 in the order they were built or opened; order 0 is
 * the natural record order. Index data lives in memory only. */
SDE_API int sx_Index(const char* fileName, const char* expr, int option, int descend, const char* condition);
SDE_API int sx_IndexTag(const char* fileName, const char* tagName, const char* expr, int option, int descend,
                        const char* condition); /* fileName NULL or "": the table's own compound index */
SDE_API int sx_IndexOpen(const char* fileName);
/* An order of the current table held in memory only: no index file is read or
 * written, so it works on read-only media; it ends when the table closes. */
SDE_API int sx_IndexTemp(const char* tagName, const char* expr, int option, int descend, const char* condition);
SDE_API int sx_SetOrder(int order); /* returns the previous order, -1 for a missing order */
SDE_API int sx_IndexOrd(void);
SDE_API int sx_TagArea(const char* tagName); /* order of the tag, 0 if none */
SDE_API const char* sx_TagName(int order);
SDE_API const char* sx_IndexName(int order);
SDE_API const char* sx_IndexKey(void); /* key expression of the current order */
SDE_API const char* sx_IndexKeyField(void);
SDE_API const char* sx_IndexCondition(void);
SDE_API int sx_IndexType(void); /* driver of the current order */
SDE_API const char* sx_KeyData(void); /* key of the current record in the current order */
SDE_API long sx_OrderRecNo(void); /* position of the current record in the current order, 1-based */
/* Seeks key in the current order. Found: true and the record is current.
 * Not found: false; with soft seek the record with the next greater key is
 * current (end of file when there is none), otherwise end of file. With Exact
 * off, a key shorter than the index key matches on its length. */
SDE_API int sx_Seek(const char* key);
SDE_API int sx_SetScope(const char* low, const char* high); /* NULL, NULL clears */

/* ---- Expressions ---- */
SDE_API int sx_EvalTest(const char* expr); /* 1 when expr compiles against the current table */
SDE_API const char* sx_EvalString(const char* expr);
SDE_API int sx_EvalLogical(const char* expr);
SDE_API int sx_Query(const char* expr); /* sets a filter; "" clears */
SDE_API int sx_DBFilter(const char* expr);
SDE_API long sx_Count(void); /* records visible in the current order and filter */
SDE_API int sx_IsEncrypted(void);

#ifdef __cplusplus
}
#endif

#endif /* SDE32_H */
