#include "Lib/SQLKit/SQStatement.h"

#include "Platform/Foundation/Format.h"

#include <sqlite3.h>

using foundation::Ref;
using foundation::String;

const foundation::Class* SQStatement::classObject()
{
    static const foundation::Class* cls = &foundation::Class::define(
        "SQStatement", foundation::Object::classObject(), [] { return Ref<Object>(std::make_shared<SQStatement>()); });
    return cls;
}

const foundation::Class* SQStatement::isa() const
{
    return classObject();
}

SQStatement::~SQStatement()
{
    close();
}

void SQStatement::close()
{
    if (statement_) {
        sqlite3_finalize(statement_);
        statement_ = nullptr;
    }
    inUse_ = false;
}

void SQStatement::reset()
{
    if (statement_)
        sqlite3_reset(statement_);
    inUse_ = false;
}

std::string SQStatement::description() const
{
    return foundation::format("%@ %ld hit(s) for query %@", Object::description(), useCount_, query());
}

Ref<String> SQStatement::query() const
{
    return query_.get();
}

void SQStatement::setQuery(Ref<String> query)
{
    query_.set(std::move(query));
}
