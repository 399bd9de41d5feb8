#pragma once

#include <QString>
#include <QStringView>

#include <map>
#include <utility>

QString FoldNickname(QStringView nickname);

// A map keyed by nickname whose keys are folded (a-z to A-Z, every other character unchanged) before
// every store, look-up and removal, so look-ups ignore the case of ASCII letters. Iteration runs in
// the order of the folded keys and yields them. Values may be move-only (std::unique_ptr for maps
// that own their records).
template <class T> class CNoCaseStringMap {
public:
    using Map = std::map<QString, T>;
    using iterator = typename Map::iterator;
    using const_iterator = typename Map::const_iterator;

    static QString FoldKey(QStringView key) { return FoldNickname(key); }

    qsizetype GetCount() const { return qsizetype(m_map.size()); }
    bool IsEmpty() const { return m_map.empty(); }
    bool Contains(QStringView key) const { return m_map.find(FoldKey(key)) != m_map.end(); }

    // Copies the value out -> false when there is none.
    bool Lookup(QStringView key, T& value) const {
        const auto it = m_map.find(FoldKey(key));
        if (it == m_map.end())
            return false;
        value = it->second;
        return true;
    }
    // The stored value, or null.
    T* Find(QStringView key) {
        const auto it = m_map.find(FoldKey(key));
        return it == m_map.end() ? nullptr : &it->second;
    }
    const T* Find(QStringView key) const {
        const auto it = m_map.find(FoldKey(key));
        return it == m_map.end() ? nullptr : &it->second;
    }

    // Stores value under key, replacing what was there.
    void SetAt(QStringView key, T value) { m_map.insert_or_assign(FoldKey(key), std::move(value)); }
    // The value under key, made (value-initialised) when missing.
    T& operator[](QStringView key) { return m_map[FoldKey(key)]; }

    // -> whether there was such a key.
    bool RemoveKey(QStringView key) { return m_map.erase(FoldKey(key)) > 0; }
    // Removes the entry and hands its value over; a value-initialised T when there was none.
    T Take(QStringView key) {
        const auto it = m_map.find(FoldKey(key));
        if (it == m_map.end())
            return T();
        T value = std::move(it->second);
        m_map.erase(it);
        return value;
    }
    void RemoveAll() { m_map.clear(); }

    iterator begin() { return m_map.begin(); }
    iterator end() { return m_map.end(); }
    const_iterator begin() const { return m_map.begin(); }
    const_iterator end() const { return m_map.end(); }

private:
    Map m_map;
};
