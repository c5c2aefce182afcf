#include "jet/JetObjects.h"

namespace jet {

[[noreturn]] void RaiseObjectInvalid() { Raise(DaoNumber::ObjectInvalid, u"Object invalid or no longer set."); }

const Variant& DefinitionField::Value() const {
    // A table definition describes fields; only a recordset has values.
    Raise(DaoNumber::InvalidOperation, u"Invalid operation.");
}

const Variant& RecordField::Value() const {
    records_->BeginField();
    if (decoded_ != records_->record_)
        records_->Decode(*this);
    return current_.Value;
}

template <typename T>
const Field& FieldList<T>::Item(int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= Items.size())
        Raise(DaoNumber::ObjectNotFound, u"Item not found in this collection.");
    return Items[static_cast<std::size_t>(index)];
}

template class FieldList<DefinitionField>;
template class FieldList<RecordField>;

} // namespace jet
