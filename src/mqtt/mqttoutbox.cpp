#include "mqttoutbox.h"

void MqttOutbox::push(const MqttMessage &message)
{
    if (message.retain) {
        for (MqttMessage &held : m_messages) {
            if (held.retain && held.topic == message.topic) {
                held = message;
                return;
            }
        }
    }
    if (m_messages.size() >= m_capacity) {
        m_messages.removeFirst();
        ++m_dropped;
    }
    m_messages.append(message);
}
