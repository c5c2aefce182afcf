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

bool RecordField::StoredTextValue(StoredText& out) const {
    records_->BeginField();
    if (readied_ != records_->record_)
        records_->Ready(*this);
    // Jet3 text is in a code page of the database's, which only the reader knows.
    if (!hasStored_ || records_->context_.Jet3)
        return false;
    const bool compressed = stored_.size() >= 2 && stored_[0] == 0xFF && stored_[1] == 0xFE;
    out.Encoding = compressed ? StoredText::Form::Compressed : StoredText::Form::Utf16;
    out.Bytes = stored_;
    return true;
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
