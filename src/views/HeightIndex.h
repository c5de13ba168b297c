#pragma once

#include <cstddef>
#include <vector>

// Heights of a long run of items (paragraphs, tables) with fast sums: the top of item i and the
// item at a given y are found in O(log n), and one item's height changes in O(log n). The view
// keeps one entry per paragraph of a whole book, so neither may walk the list, and each entry is
// small: a height is kept as a float (sums stay exact doubles of those floats).
class HeightIndex
{
public:
    // Replaces all heights.
    void assign(std::vector<float> heights);
    int size() const { return int(m_heights.size()); }
    double height(int index) const { return m_heights[std::size_t(index)]; }
    // Keeps the height as the nearest float.
    void setHeight(int index, double height);
    // Sum of the heights of the items before index.
    double top(int index) const;
    double total() const { return m_total; }
    // The item that covers y (the first when y is above, the last when below); -1 when empty.
    int indexAt(double y) const;

private:
    std::vector<float> m_heights;
    std::vector<double> m_tree; // Fenwick tree, 1-based
    double m_total = 0;
};
