#include "views/HeightIndex.h"

void HeightIndex::assign(std::vector<float> heights)
{
    m_heights = std::move(heights);
    const std::size_t n = m_heights.size();
    m_tree.assign(n + 1, 0.0);
    m_total = 0;
    for (std::size_t i = 1; i <= n; ++i) {
        m_tree[i] += m_heights[i - 1];
        m_total += m_heights[i - 1];
        const std::size_t parent = i + (i & (~i + 1));
        if (parent <= n) {
            m_tree[parent] += m_tree[i];
        }
    }
}

void HeightIndex::setHeight(int index, double height)
{
    const float stored = float(height);
    const double delta = double(stored) - double(m_heights[std::size_t(index)]);
    if (delta == 0) {
        return;
    }
    m_heights[std::size_t(index)] = stored;
    m_total += delta;
    for (std::size_t i = std::size_t(index) + 1; i < m_tree.size(); i += i & (~i + 1)) {
        m_tree[i] += delta;
    }
}

double HeightIndex::top(int index) const
{
    double sum = 0;
    for (std::size_t i = std::size_t(index); i > 0; i -= i & (~i + 1)) {
        sum += m_tree[i];
    }
    return sum;
}

int HeightIndex::indexAt(double y) const
{
    const std::size_t n = m_heights.size();
    if (n == 0) {
        return -1;
    }
    // Descends the tree for the longest prefix whose sum stays at or below y.
    std::size_t position = 0;
    std::size_t step = 1;
    while (step * 2 <= n) {
        step *= 2;
    }
    double remaining = y;
    for (; step > 0; step /= 2) {
        const std::size_t next = position + step;
        if (next <= n && m_tree[next] <= remaining) {
            position = next;
            remaining -= m_tree[next];
        }
    }
    return int(position < n ? position : n - 1);
}
