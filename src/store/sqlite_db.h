#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A thin owner of one SQLite connection and its prepared statements: every call says whether it
// worked, and the connection's last error stays readable. Nothing here throws.
namespace rennik::store {

class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool valid() const { return stmt_ != nullptr; }
    // Parameters count from 1, as SQLite counts them.
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view text);
    // One step: true while a row is there to read.
    bool row();
    // Runs the statement to its end; true when it finished without an error.
    bool run();
    std::int64_t integer(int column) const;
    std::string text(int column) const;

private:
    void reset();

    sqlite3_stmt* stmt_ = nullptr;
    bool failed_ = false;
};

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens (and creates) the file for reading and writing; false with the reason kept.
    bool open(const std::filesystem::path& file);
    void close();
    bool isOpen() const { return db_ != nullptr; }

    bool exec(std::string_view sql);
    Statement prepare(std::string_view sql) const;
    // The first column of the first row of a query, as an integer; `fallback` when none.
    std::int64_t scalar(std::string_view sql, std::int64_t fallback) const;
    std::int64_t lastInsertId() const;

    // The primary result code of the last failure (SQLITE_FULL, SQLITE_CORRUPT, ...).
    int lastError() const;
    std::string lastMessage() const;

private:
    sqlite3* db_ = nullptr;
    int openError_ = 0;
};

}  // namespace rennik::store
