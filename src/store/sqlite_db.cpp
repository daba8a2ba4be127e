#include "store/sqlite_db.h"

#include <sqlite3.h>

#include <utility>

#include "base/text_file.h"

namespace rennik::store {

Statement::Statement(sqlite3* db, std::string_view sql) {
    if (db == nullptr || sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement::Statement(Statement&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr)), failed_(other.failed_) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        stmt_ = std::exchange(other.stmt_, nullptr);
        failed_ = other.failed_;
    }
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value) {
    if (stmt_ != nullptr && sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) {
        failed_ = true;
    }
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    if (stmt_ != nullptr &&
        sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT) != SQLITE_OK) {
        failed_ = true;
    }
    return *this;
}

bool Statement::row() {
    if (stmt_ == nullptr || failed_) {
        return false;
    }
    if (sqlite3_step(stmt_) == SQLITE_ROW) {
        return true;
    }
    reset();
    return false;
}

bool Statement::run() {
    if (stmt_ == nullptr || failed_) {
        reset();
        return false;
    }
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW) {
        rc = sqlite3_step(stmt_);
    }
    reset();
    return rc == SQLITE_DONE;
}

void Statement::reset() {
    if (stmt_ != nullptr) {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    failed_ = false;
}

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::text(int column) const {
    const auto* bytes = sqlite3_column_text(stmt_, column);
    return bytes == nullptr ? std::string()
                            : std::string(reinterpret_cast<const char*>(bytes),
                                          static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

Database::~Database() { close(); }

bool Database::open(const std::filesystem::path& file) {
    close();
    // SQLite takes file names as UTF-8 on every platform.
    openError_ = sqlite3_open_v2(text_file::pathToUtf8(file).c_str(), &db_,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (openError_ != SQLITE_OK) {
        close();
        return false;
    }
    sqlite3_extended_result_codes(db_, 0);
    return true;
}

void Database::close() {
    if (db_ != nullptr) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

bool Database::exec(std::string_view sql) {
    return db_ != nullptr && sqlite3_exec(db_, std::string(sql).c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

Statement Database::prepare(std::string_view sql) const { return Statement(db_, sql); }

std::int64_t Database::scalar(std::string_view sql, std::int64_t fallback) const {
    Statement query = prepare(sql);
    if (!query.row()) {
        return fallback;
    }
    const std::int64_t value = query.integer(0);
    query.run();
    return value;
}

std::int64_t Database::lastInsertId() const { return db_ == nullptr ? 0 : sqlite3_last_insert_rowid(db_); }

int Database::lastError() const { return db_ == nullptr ? openError_ : (sqlite3_errcode(db_) & 0xff); }

std::string Database::lastMessage() const {
    return db_ == nullptr ? std::string(sqlite3_errstr(openError_)) : std::string(sqlite3_errmsg(db_));
}

}  // namespace rennik::store
